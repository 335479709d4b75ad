"""The tests run by CTest, as modules (python3 -m tests.PART.NAME)."""
