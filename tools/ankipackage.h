// SPDX-License-Identifier: MIT
#pragma once

#include "notefields.h"
#include "sourceformat.h"
#include "sourcesink.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

class QByteArray;

namespace deck {

// Reads a package of the most widely used flashcard program (.apkg, a deck;
// .colpkg, a whole collection): a zip archive holding an SQLite collection,
// "collection.anki21b" (compressed with zstd), "collection.anki21" or
// "collection.anki2", taken in that order: newer programs put a stand-in
// collection under the oldest name, whose one note asks to update the
// program. Each note's fields are HTML, turned into text; the first two, or
// `chosen`, become the term and the definition, in the order the notes were
// made. The archive is read in memory and nothing is written anywhere.
// Raises a malformed-source error for an archive, a collection or a table of
// notes that cannot be read, or a note holding a NUL character. The number of
// notes goes to `beforeParsing`, where given, before any is parsed.
void readAnkiPackage(const QByteArray& package, std::optional<FieldPair> chosen, SourceSink& sink,
                     const std::function<void(std::size_t)>& beforeParsing = {});

// The first bytes of a zip archive.
inline constexpr std::string_view kZipSignature{"PK\x03\x04", 4};

// Reads a package with the fields --columns names.
void readAnkiSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

} // namespace deck
