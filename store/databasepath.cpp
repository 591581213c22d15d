// SPDX-License-Identifier: MIT
#include "databasepath.h"

#include "schema.h"

namespace store {

std::string databasePath(const std::string& programDirectory)
{
    std::string path = programDirectory;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + kDatabaseFileName;
}

} // namespace store
