// SPDX-License-Identifier: MIT
#pragma once

// The time a piece of work takes, for the benchmarks' manual timing.

#include <chrono>
#include <ctime>

// The wall time.
template <class Work>
double secondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The same, but the CPU time the thread spent: on a loaded machine the wall
// time also counts the waits for a core, and this does not.
template <class Work>
double cpuSecondsOf(Work&& work)
{
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    };
    const double start = now();
    work();
    return now() - start;
}
