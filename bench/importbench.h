// SPDX-License-Identifier: MIT
#pragma once

// Registers the benchmarks of verbrio-deck's import with Google Benchmark.
// `smoke`: a tiny source and one iteration, to prove it still runs.
void registerImportBenchmarks(bool smoke);
