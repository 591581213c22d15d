// SPDX-License-Identifier: MIT
#pragma once

namespace store {

// The one table of a Verbrio database. The program never runs this itself: it
// opens only files that already hold the table. The build and the deck tool
// write new, empty databases with it, and the tests make their files with it.
inline constexpr const char* kCreateQuestionsTable =
    "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT)";

inline constexpr const char* kDatabaseFileName = "Verbrio.mdb";

} // namespace store
