// SPDX-License-Identifier: MIT
#include "newentry.h"

#include "deck.h"

#include <algorithm>
#include <limits>

namespace store {

void insertEntry(Connection& connection, const std::string& question, const std::string& description)
{
    Deck(connection).add(question, description);
}

std::optional<std::int64_t> nextEntryId(Connection& connection)
{
    const std::int64_t largest = Deck(connection).largestId().value_or(0);
    if (largest == std::numeric_limits<std::int64_t>::max())
        return std::nullopt;
    return std::max<std::int64_t>(largest, 0) + 1;
}

} // namespace store
