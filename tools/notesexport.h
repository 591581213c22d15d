// SPDX-License-Identifier: MIT
#pragma once

#include "notefields.h"
#include "sourceformat.h"
#include "sourcesink.h"

#include <optional>
#include <string_view>

namespace deck {

// The plain-text notes export of flashcard programs: header lines such as
// "#separator:tab", "#html:true", "#columns:Front<TAB>Back<TAB>Tags",
// "#tags column:3", then one note a row, its fields separated and quoted as
// in CSV.

// Whether `source` (UTF-8, with or without a byte-order mark) begins with
// such header lines.
bool looksLikeNotesExport(std::string_view source);

// Reads `source` (without a byte-order mark). The term and the definition are
// the first two columns that are not the guid, note type, deck or tags
// column, or `chosen`; the other columns are ignored. With "#html:true", or
// `html`, the fields are HTML, turned into text. A header line of another
// kind is ignored with a note; an unknown separator or a bad column number
// raises a malformed-line error at its line.
void readNotesExport(std::string_view source, std::optional<FieldPair> chosen, bool html, SourceSink& sink);

// Reads a notes export as the options say: converted to UTF-8, the fields
// --columns names, HTML with --html.
void readNotesSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

} // namespace deck
