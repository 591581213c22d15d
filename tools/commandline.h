// SPDX-License-Identifier: MIT
#pragma once

#include "console.h"

#include <QStringList>

namespace deck {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kWrongUsage = 2;
inline constexpr int kNotReported = 3; // the command's work is done; only writing its report failed

// Runs `verbrio-deck` with `arguments` (the program's name first): parses
// them, runs the command, writes results to `out` and errors to `err`, and
// returns the exit status. No error escapes.
int runDeckTool(const QStringList& arguments, Console& console);

} // namespace deck
