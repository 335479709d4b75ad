"""The Wine lab: the bench, the demo, the benchmarks and the emulated PC."""
