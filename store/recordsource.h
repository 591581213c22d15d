// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace store {

// What a record source text asks for: the whole table Questions, or the one
// entry with a given ID. Only three texts are understood:
//   "Questions", "SELECT * FROM Questions",
//   "SELECT * FROM Questions WHERE ID = " followed by a decimal number.
// No part of the text ever reaches SQLite; the number is bound as a parameter.
struct EntrySelection {
    std::optional<std::int64_t> id; // empty: the whole table

    bool wholeTable() const { return !id; }
};

inline constexpr const char* kWholeTableSource = "Questions";
inline constexpr const char* kWholeTableQuery = "SELECT * FROM Questions";
inline constexpr const char* kOneEntryQuery = "SELECT * FROM Questions WHERE ID = ";

// Raises ErrorCode::UnsupportedRecordSource for any other text.
EntrySelection parseRecordSource(const std::string& text);

} // namespace store
