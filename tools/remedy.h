// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

namespace deck {

// What the user can change so that a source reads as meant. Readers say it as
// data; the command line words it as its options, the editor as its controls.
enum class RemedyKind {
    None,
    AllowLong,      // texts longer than the boxes take
    Utf16,          // a NUL character: UTF-16 without a byte-order mark
    Encoding,       // not valid UTF-8: the file's own encoding
    OwnEncoding,    // not valid in the encoding given
    Separator,      // detail: the separator used, by name
    FormatTsv,      // quotes to be read as ordinary characters
    FormatCsv,      // detail: the separator by name when not a comma
    SkipHeader,     // a first row of column labels
    Html,           // tags or entities in plain text
    Languages,      // a KVTML file with more than two languages
    SkipDuplicates, // entries the deck holds already
    Compact,        // IDs too high for the entries to fit
    Delimited,      // detail: the separator in quotes (' - '); row: the row separator, if any
};

struct Remedy {
    Remedy(RemedyKind kindOf = RemedyKind::None, std::string detailOf = {}, std::string rowOf = {})
        : kind(kindOf), detail(std::move(detailOf)), row(std::move(rowOf))
    {
    }

    RemedyKind kind;
    std::string detail;
    std::string row;
};

// The remedy as the command line says it, to follow a reason: " (give
// --allow-long to import it anyway)"; empty for none.
std::string commandLineAdvice(const Remedy& remedy);

} // namespace deck
