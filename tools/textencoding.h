// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace deck {

// A source's text as UTF-8, without a byte-order mark.
//
// A UTF-16 or UTF-32 byte-order mark says the encoding, whatever `encoding`
// says. Otherwise text in `encoding` (a name iconv knows: windows-1252,
// iso-8859-2, shift_jis…) is converted, and a byte sequence that is not
// valid in it raises a malformed-line error naming its line: nothing is ever
// replaced. With no mark and no `encoding` the text is taken as UTF-8, which
// the readers check line by line. An encoding iconv does not know is a
// usage error.
std::string toUtf8(std::string_view source, const std::string& encoding);

// Raises the usage error for an encoding iconv does not know.
void requireKnownEncoding(const std::string& encoding);

// Converts `source` from `encoding` to UTF-8 with iconv, as above.
std::string convertToUtf8(std::string_view source, const std::string& encoding);

} // namespace deck
