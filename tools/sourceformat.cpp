// SPDX-License-Identifier: MIT
#include "sourceformat.h"

#include "ankipackage.h"
#include "csvformat.h"
#include "decksource.h"
#include "kvtml.h"
#include "notesexport.h"
#include "tsvformat.h"

#include <QFileInfo>

namespace deck {

const std::vector<SourceFormat>& sourceFormats()
{
    // ".txt" is what flashcard programs name their tab-separated plain text.
    static const std::vector<SourceFormat> table = {
        {Format::Tsv, "tsv", {"tsv", "tab", "txt"}, {}, readTsvSource, true, "line"},
        {Format::Csv, "csv", {"csv"}, {}, readCsvSource, true, "line"},
        {Format::Kvtml, "kvtml", {"kvtml"}, {}, readKvtmlSource, false, "line"},
        {Format::Notes, "notes", {}, {}, readNotesSource, false, "line"},
        {Format::Anki, "anki", {"apkg", "colpkg"}, kZipSignature, readAnkiSource, false, "note"},
        {Format::Deck, "deck", {"mdb"}, kDeckSignature, readDeckSource, false, "entry"},
    };
    return table;
}

const SourceFormat& sourceFormat(Format format)
{
    for (const SourceFormat& row : sourceFormats())
        if (row.format == format)
            return row;
    return sourceFormats().front(); // every Format has its row
}

std::optional<Format> formatNamed(const QString& name)
{
    for (const SourceFormat& row : sourceFormats())
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return row.format;
    return std::nullopt;
}

std::optional<Format> formatOfFileName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    for (const SourceFormat& row : sourceFormats())
        for (const char* extension : row.extensions)
            if (suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0)
                return row.format;
    return std::nullopt;
}

std::optional<Format> formatOfContent(std::string_view start)
{
    for (const SourceFormat& row : sourceFormats())
        if (!row.signature.empty() && start.starts_with(row.signature))
            return row.format;
    // Text known by its header lines, whatever its name (.txt, .csv).
    if (looksLikeNotesExport(start))
        return Format::Notes;
    return std::nullopt;
}

std::string formatNames()
{
    std::string names;
    const auto& table = sourceFormats();
    for (std::size_t i = 0; i < table.size(); ++i)
        names += (i == 0 ? "" : i + 1 == table.size() ? " or " : ", ") + std::string(table[i].name);
    return names;
}

} // namespace deck
