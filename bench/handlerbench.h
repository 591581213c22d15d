// SPDX-License-Identifier: MIT
#pragma once

// Registers the benchmarks of the window's handlers with Google Benchmark.
// `smoke`: tiny tables and one iteration each, to prove they still run.
void registerHandlerBenchmarks(bool smoke);
