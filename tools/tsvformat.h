// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"

#include <string>
#include <string_view>

namespace deck {

// Tab-separated text, the plain form flashcard programs share: one entry a
// line, the term, one tab, the definition. Quotes are ordinary characters, so
// a text may hold anything but a tab or a line break.

// Reads `source` (without a byte-order mark). Blank lines are skipped, and
// the first other line too with `skipHeader`. Raises a malformed-line error
// at the first line that is not valid UTF-8 or holds other than one tab.
void readTsv(std::string_view source, bool skipHeader, SourceSink& sink);

// Reads tab-separated text as the options say, converted to UTF-8 first.
void readTsvSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

// What in `text` a tab-separated line cannot hold ("a tab", "a line break"),
// or nullptr when it can hold all of it.
const char* tsvObstacle(std::string_view text);

// One entry as a line of tab-separated text, ending in LF. The texts must
// have no obstacle.
std::string tsvRecord(std::string_view term, std::string_view definition);

} // namespace deck
