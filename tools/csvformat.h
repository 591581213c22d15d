// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deck {

// CSV as RFC 4180 has it: two fields a record, quoted fields with doubled
// quotes and line breaks inside. Parsed and quoted with libcsv.

// Reads `source` (without a byte-order mark), fields separated by
// `delimiter`. Texts come back exactly as written: no space is trimmed.
// Blank lines between entries are skipped, and the first entry too with
// `skipHeader`. Raises a malformed-line error at the first entry that is not
// valid UTF-8, has a quote out of place, a quote never closed, or other than
// two fields; the line named is the one the entry begins on.
void readCsv(std::string_view source, char delimiter, bool skipHeader, SourceSink& sink);

// Receives one record: the line it begins on, the line it ends on, its fields.
using CsvRecordReader = std::function<void(long line, long lastLine, std::vector<std::string>& fields)>;

// Reads the records of `source`, whatever their number of fields, numbering
// its lines from `linesBefore` + 1. Blank lines between records are skipped.
// Raises a malformed-line error at the first line that is not valid UTF-8 or
// has a quote out of place, and at a quote never closed.
void readCsvRecords(std::string_view source, char delimiter, long linesBefore, const CsvRecordReader& record);

// The separator a file named .csv uses: of tab, semicolon, pipe and comma,
// the first that splits every record of `source` into exactly two fields;
// when none does, the one that splits the most (a comma on a tie), so that
// the error names the line that breaks the pattern.
char guessSeparator(std::string_view source);

// Of the separators guessSeparator tries, the first that splits every record
// of `source` into exactly two fields, if one does.
std::optional<char> csvSeparatorThatFits(std::string_view source);

// Reads text whose rows end at `rowSeparator` (at a line end when empty) and
// split into term and definition at `separator`, of any length, found
// exactly once in each row. Quotes are ordinary characters. Blank rows are
// skipped, and the first other one too with `skipHeader`.
void readDelimited(std::string_view source, std::string_view separator, std::string_view rowSeparator, bool skipHeader,
                   SourceSink& sink);

// The separator --separator TEXT means: a name or one character as below, or
// several characters (" - ") without a line end.
std::optional<std::string> separatorTextNamed(std::string_view name);
// separatorName() of one character, several in quotes.
std::string separatorTextName(std::string_view separator);

// The separator --separator NAME means: comma, semicolon, tab, pipe, space,
// or any single character but a quote or a line end.
std::optional<char> separatorNamed(std::string_view name);
// "comma", "semicolon"… or the character in quotes.
std::string separatorName(char separator);

// Reads CSV as the options say: converted to UTF-8, the separator given or
// guessed (the guess is noted).
void readCsvSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

// One entry as a CSV record, ending in CR LF. A field is quoted when it holds
// a comma, a quote, a tab or a line break, or begins or ends with a space
// (or begins with a byte-order mark), so that any reader gets it back whole.
std::string csvRecord(std::string_view term, std::string_view definition);

} // namespace deck
