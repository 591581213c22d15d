// SPDX-License-Identifier: MIT
#pragma once

#include <fstream>
#include <string>
#include <sys/types.h>

// The resident memory of a process in KiB, from /proc: its VmRSS line.
// 0 when the process is gone.
inline long residentKiB(pid_t pid = 0)
{
    std::ifstream status(pid == 0 ? std::string("/proc/self/status") : "/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}
