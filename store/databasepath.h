// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace store {

// The database file in the program's directory: the directory, a separator
// unless it already ends in one, and "Verbrio.mdb".
std::string databasePath(const std::string& programDirectory);

} // namespace store
