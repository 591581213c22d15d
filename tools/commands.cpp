// SPDX-License-Identifier: MIT
#include "commands.h"

#include "compactor.h"
#include "connection.h"
#include "csvformat.h"
#include "deckcheck.h"
#include "deckerror.h"
#include "deckinit.h"
#include "exporter.h"
#include "importer.h"
#include "restorer.h"
#include "sourceformat.h"
#include "textencoding.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <array>
#include <string>

namespace deck {
namespace {

std::string quoted(const QString& path)
{
    // Appended rather than "'" + text: GCC 12 at -O3 sees a false overlap there (-Wrestrict).
    std::string text = "'";
    text += path.toStdString();
    text += '\'';
    return text;
}

std::string entries(long long count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

void sayWarnings(QIODevice& out, const DeckFigures& figures, const QString& deckPath)
{
    for (const std::string& warning : deckWarnings(figures, deckPath.toStdString()))
        say(out, "warning: " + warning);
}

bool isTextFormat(Format format)
{
    return format == Format::Csv || format == Format::Tsv;
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// No source a deck could fill is this large: a larger one (a device, a
// pipe that never ends) is refused, not held in memory.
constexpr qint64 kLargestSource = qint64(1) << 30;
// A line of text holds at most an entry's two fields.
constexpr qint64 kLongestLine = 2 * qint64(store::kLongestField);

// Reads `device` to its end, refusing it as it passes kLargestSource, and,
// for a text format (`lines`), a line as it passes kLongestLine.
QByteArray readBounded(QIODevice& device, const std::string& name, bool lines)
{
    QByteArray bytes;
    std::array<char, 1 << 16> chunk{};
    long line = 1;
    qint64 lineLength = 0;
    char previous = 0;
    for (;;) {
        const qint64 read = device.read(chunk.data(), qint64(chunk.size()));
        if (read < 0)
            throw deckError(DeckErrorCode::CannotRead,
                            "Cannot read " + name + ": " + device.errorString().toStdString());
        if (read == 0)
            return bytes;
        if (bytes.size() + read > kLargestSource)
            throw deckError(DeckErrorCode::CannotRead, "Cannot read " + name + ": it is larger than "
                                                           + std::to_string(kLargestSource >> 30)
                                                           + " GiB, more than the tool reads from one source");
        for (qint64 i = 0; lines && i < read; ++i) {
            const char c = chunk[std::size_t(i)];
            // A line ends at LF, CR LF or a lone CR, as the readers count them.
            line += c == '\n' ? (previous == '\r' ? 0 : 1) : c == '\r' ? 1 : 0;
            lineLength = c == '\n' || c == '\r' ? 0 : lineLength + 1;
            previous = c;
            if (lineLength > kLongestLine)
                throw deckError(DeckErrorCode::Malformed, name + ", line " + std::to_string(line) + ": is longer than "
                                                              + std::to_string(kLongestLine >> 20)
                                                              + " MiB, more than an entry's fields may hold");
        }
        bytes.append(chunk.data(), read);
    }
}

QByteArray readSource(const Invocation& call, const QString& source, bool lines)
{
    if (source == u"-")
        return readBounded(call.console.in, "standard input", lines);
    if (QFileInfo(source).isDir())
        throw deckError(DeckErrorCode::CannotRead, "Cannot read " + quoted(source) + ": it is a directory");
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw deckError(DeckErrorCode::CannotRead,
                        "Cannot read " + quoted(source) + ": " + file.errorString().toStdString());
    return readBounded(file, quoted(source), lines);
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo first(a), second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// The first bytes of a file, for the formats known by their content; empty
// when it cannot be read (reading it later says why). Only a regular file is
// opened twice: what is read from a pipe or a device is gone for the reader.
std::string firstBytes(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).toStdString();
}

Format chooseImportFormat(const Invocation& call, const QString& source)
{
    const std::string give = "give --format " + formatNames();
    if (call.parser.isSet("format")) {
        const QString name = call.parser.value("format");
        const auto format = formatNamed(name);
        if (!format)
            throw usageError("unknown format '" + name.toStdString() + "': " + give);
        return *format;
    }
    if (source == u"-")
        throw usageError("standard input has no name to tell its format by: " + give);
    // A deck or an archive is known by its content, whatever its name (Verbrio.mdb.bak).
    if (const auto format = formatOfContent(firstBytes(source)))
        return *format;
    const auto format = formatOfFileName(source);
    if (!format)
        throw usageError("cannot tell the format of " + quoted(source) + " by its name: " + give);
    return *format;
}

// How to read the source, from the options given; `format` as chosen above.
ReadOptions readOptions(const Invocation& call, Format format)
{
    const QCommandLineParser& parser = call.parser;
    ReadOptions options;
    options.skipHeader = parser.isSet("skip-header");
    if (options.skipHeader && !sourceFormat(format).hasHeaderLine)
        throw usageError(std::string("--skip-header is for tab-separated and CSV text; ") + sourceFormat(format).name
                         + " has no header line");
    if (parser.isSet("separator")) {
        const QString name = parser.value("separator");
        options.separator = separatorTextNamed(name.toStdString());
        if (!options.separator)
            throw usageError("unknown separator '" + name.toStdString()
                             + "': give comma, semicolon, tab, pipe, space, one character or several (' - ')");
        if (format != Format::Csv && !(format == Format::Tsv && options.separator->size() > 1))
            throw usageError("--separator is for CSV text (--format csv, or a name ending in .csv)");
    }
    if (parser.isSet("row-separator")) {
        options.rowSeparator = parser.value("row-separator").toStdString();
        if (options.rowSeparator.empty() || options.rowSeparator == options.separator.value_or(","))
            throw usageError("--row-separator takes one or more characters other than the separator, as in "
                             "--row-separator ';'");
        if (!isTextFormat(format))
            throw usageError("--row-separator is for CSV and tab-separated text");
    }
    // A name ending in .csv says little: spreadsheets write semicolons and tabs there too.
    options.guessSeparator = !parser.isSet("format") && format == Format::Csv;
    options.encoding = parser.value("encoding").toStdString();
    options.html = parser.isSet("html");
    if (parser.isSet("columns")) {
        const QString value = parser.value("columns");
        options.columns = fieldPairNamed(value.toStdString());
        if (!options.columns)
            throw usageError("--columns takes two different column numbers from 1, as in --columns 1,3, not '"
                             + value.toStdString() + "'");
        if (format != Format::Notes && format != Format::Anki)
            throw usageError("--columns is for notes exports and packages");
    }
    if (parser.isSet("encoding"))
        requireKnownEncoding(options.encoding);
    if (parser.isSet("languages")) {
        options.languages = parser.value("languages").split(u',');
        if (options.languages.size() != 2 || options.languages.contains(QString()))
            throw usageError("--languages takes two identifiers with a comma between them, as in --languages en,de");
    }
    return options;
}

} // namespace

void runInit(const Invocation& call)
{
    initDeck(call.arguments[0]);
    say(call.console.out, "Wrote the empty deck " + quoted(call.arguments[0]) + ".");
}

void runImport(const Invocation& call)
{
    const QString& deckPath = call.arguments[0];
    const QString& source = call.arguments[1];
    ImportOptions options;
    options.format = chooseImportFormat(call, source);
    options.read = readOptions(call, options.format);
    options.allowLong = call.parser.isSet("allow-long");
    options.skipDuplicates = call.parser.isSet("skip-duplicates");
    if (source != u"-" && sameFile(source, deckPath))
        throw usageError(quoted(source) + " is the deck itself; name a copy or another deck to import");

    const std::string sourceName = source == u"-" ? std::string("standard input") : source.toStdString();
    const bool lines =
        options.format == Format::Csv || options.format == Format::Tsv || options.format == Format::Notes;
    const SourceInput input{readSource(call, source, lines), source == u"-" ? std::string() : localPath(source)};
    store::Connection deck(localPath(deckPath));
    ImportResult result;
    try {
        result = importEntries(deck, input, options);
    } catch (const store::Error& e) {
        // Errors about the source's content are said with the source's name.
        const auto code = static_cast<DeckErrorCode>(e.number());
        if (code == DeckErrorCode::Malformed || code == DeckErrorCode::TooLong)
            throw store::Error(e.number(), sourceName + ", " + e.description());
        if (code == DeckErrorCode::NothingToImport || code == DeckErrorCode::NoRoom)
            throw store::Error(e.number(), sourceName + ": " + e.description());
        throw;
    }

    // The entries are in: a failure from here on must not say otherwise.
    try {
        QIODevice& out = call.console.out;
        const std::string notePrefix = sourceName + ": ";
        for (const SourceNote& note : result.notes)
            say(out, notePrefix + commandLineText(note));
        std::string summary =
            "Imported " + entries(result.imported) + "; left out " + std::to_string(result.leftOutCount());
        if (result.leftOutCount() > 0)
            summary += " (" + leftOutText(result) + ")";
        summary += "; skipped " + std::to_string(result.duplicates)
                   + (result.duplicates == 1 ? " duplicate." : " duplicates.");
        say(out, summary);
        sayWarnings(out, measureDeck(deck), deckPath);
    } catch (const store::Error& e) {
        throw deckError(DeckErrorCode::NotReported, "imported " + entries(result.imported) + " into " + quoted(deckPath)
                                                        + ", but could not say so: " + e.description());
    }
}

void runExport(const Invocation& call)
{
    const QString& deckPath = call.arguments[0];
    const QString target = call.arguments.value(1);
    const bool toFile = !target.isEmpty() && target != u"-";

    Format format = Format::Csv;
    if (call.parser.isSet("format")) {
        const QString name = call.parser.value("format");
        const auto named = formatNamed(name);
        if (!named || !isTextFormat(*named))
            throw usageError("export writes --format csv or tsv, not '" + name.toStdString() + "'");
        format = *named;
    } else if (toFile) {
        const auto named = formatOfFileName(target);
        if (!named || !isTextFormat(*named))
            throw usageError("cannot tell by the name " + quoted(target)
                             + " whether to write CSV or tab-separated text: give --format csv or tsv");
        format = *named;
    }
    if (toFile && sameFile(target, deckPath))
        throw usageError(quoted(target) + " is the deck itself; name another file to write");

    store::Connection deck(localPath(deckPath));
    const ExportedText exported = exportEntries(deck, format);
    if (!toFile) {
        write(call.console.out, exported.text);
        return;
    }
    // Written whole or not at all: an old file of that name stays until the new one is complete.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(exported.text.data(), static_cast<qint64>(exported.text.size()))
               != static_cast<qint64>(exported.text.size())
        || !file.commit())
        throw deckError(DeckErrorCode::CannotWrite,
                        "Cannot write " + quoted(target) + ": " + file.errorString().toStdString());
    say(call.console.out, "Exported " + entries(exported.count) + " to " + quoted(target) + " as "
                              + (format == Format::Csv ? "CSV." : "tab-separated text."));
}

void runCheck(const Invocation& call)
{
    const QString& deckPath = call.arguments[0];
    store::Connection deck(localPath(deckPath));
    const DeckFigures figures = examineDeck(deck);

    QIODevice& out = call.console.out;
    say(out, "Deck:       " + deckPath.toStdString());
    say(out, "Entries:    " + std::to_string(figures.count));
    say(out, "IDs:        "
                 + (figures.count == 0 ? std::string("none")
                                       : std::to_string(figures.lowest) + " to " + std::to_string(figures.highest)));
    if (figures.missing == 0)
        say(out, "Gaps:       none");
    else
        say(out, "Gaps:       " + std::to_string(figures.gaps) + " (" + std::to_string(figures.missing)
                     + " IDs from 1 to " + std::to_string(figures.highest) + " have no entry)");
    say(out, "Blank:      " + (figures.blank == 0 ? std::string("none") : std::to_string(figures.blank)));
    say(out, std::string("Integrity:  ") + (figures.intact() ? "ok" : "FAILED"));
    if (!figures.intact())
        for (const std::string& finding : figures.integrity)
            say(out, "  " + finding);
    sayWarnings(out, figures, deckPath);
    if (!figures.intact())
        throw deckError(DeckErrorCode::Damaged, quoted(deckPath)
                                                    + " is damaged: SQLite's integrity check found faults. "
                                                      "Export what can still be read, and import it into a new deck.");
}

void runCompact(const Invocation& call)
{
    const QString& deckPath = call.arguments[0];
    store::Connection deck(localPath(deckPath));
    const CompactResult result = compactDeck(deck);

    QIODevice& out = call.console.out;
    if (result.count == 0)
        say(out, "The deck " + quoted(deckPath) + " has no entries to renumber.");
    else
        say(out, "Renumbered " + entries(result.count) + " of " + quoted(deckPath) + " to IDs 1 to "
                     + std::to_string(result.count) + " (" + std::to_string(result.renumbered) + " changed).");
    if (result.notReclaimed.empty())
        say(out, "File size: " + std::to_string(result.bytesBefore) + " bytes before, "
                     + std::to_string(result.bytesAfter) + " after.");
    else
        say(out, "warning: the free space was not reclaimed: " + result.notReclaimed);
    sayWarnings(out, measureDeck(deck), deckPath);
}

void runRestore(const Invocation& call)
{
    const QString& deckPath = call.arguments[0];
    const QString backupPath = call.arguments.value(1, deckPath + QStringLiteral(".bak"));
    if (sameFile(backupPath, deckPath))
        throw usageError(quoted(backupPath).append(" is the deck itself; name its backup"));
    if (!QFileInfo::exists(backupPath))
        throw deckError(DeckErrorCode::CannotRead,
                        std::string("There is no backup ").append(quoted(backupPath)).append(" to restore from"));
    store::Connection deck(localPath(deckPath));
    const store::RestoreCounts result = restoreEntries(deck, localPath(backupPath));

    std::string said = "Restored ";
    said.append(entries(result.ownIds + result.renumbered))
        .append(" from ")
        .append(quoted(backupPath))
        .append(" to ")
        .append(quoted(deckPath))
        .append(": ")
        .append(std::to_string(result.ownIds))
        .append(" with their own IDs, ")
        .append(std::to_string(result.renumbered))
        .append(" under new IDs; ")
        .append(std::to_string(result.alreadyThere))
        .append(" already there.");
    say(call.console.out, said);
    sayWarnings(call.console.out, measureDeck(deck), deckPath);
}

} // namespace deck
