# Benchmark executables, one block per benchmark.
