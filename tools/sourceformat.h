// SPDX-License-Identifier: MIT
#pragma once

#include "notefields.h"
#include "sourcesink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deck {

// The formats the tool reads (and, for CSV and tab-separated text, writes).
// Notes: a notes export with header lines; Anki: a flashcard package.
enum class Format { Tsv, Csv, Kvtml, Notes, Anki, Deck };

// How the user asked for a source to be read. Each reader takes what
// concerns it and ignores the rest.
struct ReadOptions {
    bool skipHeader = false;
    // CSV: the separator given with --separator; without it a file named
    // .csv has its separator guessed from its lines, and --format csv means
    // a comma.
    // Several characters (" - ") split each row at their one occurrence,
    // quotes being ordinary characters, as in tab-separated text.
    std::optional<std::string> separator;
    bool guessSeparator = false;
    // CSV and tab-separated text: what ends a row (";") instead of a line end.
    std::string rowSeparator;
    // The encoding given with --encoding, as iconv names it; empty for UTF-8
    // (or what a byte-order mark or an XML declaration says).
    std::string encoding;
    // KVTML: the identifiers of the languages for term and definition.
    QStringList languages;
    // The texts are HTML, to be turned into text (--html). Notes exports
    // that say so and packages always are.
    bool html = false;
    // Notes exports and packages: the fields to take (--columns).
    std::optional<FieldPair> columns;
    // Packages: told how many entries the source holds at most before any
    // is parsed; raises when they cannot fit.
    std::function<void(std::size_t)> beforeParsing;
};

// A source as the importer hands it to a reader.
struct SourceInput {
    QByteArray bytes;
    std::string path; // the local file name, empty for standard input
};

using SourceReader = void (*)(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

// One row of the table of source formats.
struct SourceFormat {
    Format format;
    const char* name;                    // as --format takes it
    std::vector<const char*> extensions; // file name endings that stand for it
    // The first bytes of a file in this format, whatever its name (a
    // database, an archive), or empty for text formats.
    std::string_view signature;
    SourceReader read;
    bool hasHeaderLine; // whether --skip-header means anything to it
    const char* place;  // what the numbers of its entries count: "line", "entry"
};

// Every format, in the order `--help` lists them.
const std::vector<SourceFormat>& sourceFormats();

const SourceFormat& sourceFormat(Format format);

// The format --format NAME names, if any.
std::optional<Format> formatNamed(const QString& name);

// The format a file name's extension stands for, if any.
std::optional<Format> formatOfFileName(const QString& fileName);

// The format whose signature `start` (the first bytes of a file) begins with.
std::optional<Format> formatOfContent(std::string_view start);

// "tsv, csv, kvtml or deck", for messages.
std::string formatNames();

} // namespace deck
