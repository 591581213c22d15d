#pragma once

#include <QString>

#include <optional>

namespace deck {

// The text formats the tool reads and writes.
enum class Format { Tsv, Csv, Kvtml };

// "tsv", "csv" or "kvtml", as --format takes them.
std::optional<Format> formatNamed(const QString& name);

// The format a file name's extension stands for, if any.
std::optional<Format> formatOfFileName(const QString& fileName);

} // namespace deck
