// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace store {

class Connection;

// Calls `visit` with the ID, term and definition of every entry, in ID
// order: one pass over the file, no copy of the texts kept. The texts are
// those a record shows (NULL as empty text) and live only for the call.
// Raises Error when the file cannot be read.
void forEachEntry(
    Connection& deck,
    const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit);

} // namespace store
