#pragma once

// Registers the benchmarks of the deck tool's import with Google Benchmark.
// `smoke`: tiny sources and one iteration each, to prove they still run.
void registerImportBenchmarks(bool smoke);
