"""Steps of our own build: the art, the run-from-swap mark, the sample disc's layout."""
