// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>
#include <vector>

namespace deck {

// One physical line of a text source, as an editor numbers it.
struct SourceLine {
    long number = 0;          // from 1
    std::string_view text;    // without its line end
    std::string_view withEnd; // the text and its line end, if it has one
};

// The UTF-8 byte-order mark, which readers skip and writers guard against.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Splits a source into lines. A line ends at LF, CR LF or a lone CR; a last
// line without an end counts too, an empty source has no lines.
std::vector<SourceLine> splitLines(std::string_view source);

// Raises a malformed-line error for a line that is not valid UTF-8 or holds a
// NUL character (the sign of UTF-16 text without a byte-order mark).
void checkEncoding(const SourceLine& line);

// A line with nothing but spaces on it, skipped wherever an entry may begin.
bool isBlank(const SourceLine& line);

} // namespace deck
