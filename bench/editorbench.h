// SPDX-License-Identifier: MIT
#pragma once

// Registers the benchmarks of the deck editor (`verbrio-deck edit`) with
// Google Benchmark. `smoke`: tiny tables and one iteration each.
void registerEditorBenchmarks(bool smoke);
