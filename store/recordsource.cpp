// SPDX-License-Identifier: MIT
#include "recordsource.h"

#include "error.h"

#include <charconv>
#include <string_view>

namespace store {

EntrySelection parseRecordSource(const std::string& text)
{
    if (text == kWholeTableSource || text == kWholeTableQuery)
        return {};

    const std::string_view prefix = kOneEntryQuery;
    if (text.starts_with(prefix)) {
        const std::string_view digits = std::string_view(text).substr(prefix.size());
        std::int64_t id = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size())
            return {id};
    }
    throw Error(ErrorCode::UnsupportedRecordSource,
                "The record source '" + text
                    + "' is not supported: use the table Questions, "
                      "\"SELECT * FROM Questions\" or \"SELECT * FROM Questions WHERE ID = \" and a number");
}

} // namespace store
