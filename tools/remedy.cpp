// SPDX-License-Identifier: MIT
#include "remedy.h"

namespace deck {

std::string commandLineAdvice(const Remedy& remedy)
{
    const std::string& detail = remedy.detail;
    switch (remedy.kind) {
    case RemedyKind::None: return {};
    case RemedyKind::AllowLong: return " (give --allow-long to import it anyway)";
    case RemedyKind::Utf16: return "; is the file UTF-16 (give --encoding utf-16le or utf-16be)?";
    case RemedyKind::Encoding:
        return "; give the file's encoding with --encoding (e.g. --encoding windows-1252), or save it as UTF-8";
    case RemedyKind::OwnEncoding: return "; give the file's own encoding with --encoding";
    case RemedyKind::Separator: return " (separated by " + detail + "; give --separator if the file uses another)";
    case RemedyKind::FormatTsv: return " (to read quotes as ordinary characters, give --format tsv)";
    case RemedyKind::FormatCsv:
        return "; give --format csv" + (detail.empty() || detail == "comma" ? std::string() : " --separator " + detail);
    case RemedyKind::SkipHeader: return "; give --skip-header to leave it out";
    case RemedyKind::Html: return "; give --html to read them as HTML";
    case RemedyKind::Languages: return "; --languages chooses two of its languages";
    case RemedyKind::SkipDuplicates: return "; give --skip-duplicates to leave them out";
    case RemedyKind::Delimited:
        return "; give --separator " + detail + (remedy.row.empty() ? "" : " --row-separator " + remedy.row);
    case RemedyKind::Compact: return " 'verbrio-deck compact' renumbers the deck's entries 1 to n and may make room.";
    }
    return {};
}

} // namespace deck
