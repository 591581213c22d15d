#include "sourceformat.h"

#include <QFileInfo>

#include <utility>

namespace deck {
namespace {

constexpr std::pair<const char*, Format> kNames[] = {
    {"tsv", Format::Tsv},
    {"csv", Format::Csv},
    {"kvtml", Format::Kvtml},
};

// ".txt" is what flashcard programs name their tab-separated plain text.
constexpr std::pair<const char*, Format> kExtensions[] = {
    {"tsv", Format::Tsv},
    {"tab", Format::Tsv},
    {"txt", Format::Tsv},
    {"csv", Format::Csv},
    {"kvtml", Format::Kvtml},
};

} // namespace

std::optional<Format> formatNamed(const QString& name)
{
    for (const auto& [text, format] : kNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return format;
    return std::nullopt;
}

std::optional<Format> formatOfFileName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    for (const auto& [text, format] : kExtensions)
        if (suffix.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return format;
    return std::nullopt;
}

} // namespace deck
