#pragma once

#include <QString>

#include <optional>

namespace deck {

// The text formats the tool reads and writes.
// Notes: a notes export with header lines; Anki: a flashcard package.
enum class Format { Tsv, Csv, Kvtml, Notes, Anki };

// "tsv", "csv", "kvtml", "notes" or "anki", as --format takes them.
std::optional<Format> formatNamed(const QString& name);
QString formatName(Format format);

// The format a file name's extension stands for, if any.
std::optional<Format> formatOfFileName(const QString& fileName);

} // namespace deck
