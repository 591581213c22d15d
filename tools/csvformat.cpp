// SPDX-License-Identifier: MIT
#include "csvformat.h"

#include "deckerror.h"
#include "sourcelines.h"

#include <csv.h>

#include "textencoding.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace deck {
namespace {

// The names --separator takes, beside a single character.
constexpr std::pair<char, const char*> kSeparatorNames[] = {
    {',', "comma"}, {';', "semicolon"}, {'\t', "tab"}, {'|', "pipe"}, {' ', "space"},
};

// What libcsv's callbacks collect. No exception may pass through libcsv's C
// code, so they only store; the checks run once csv_parse has returned.
struct Collected {
    std::vector<std::string> fields;
    bool rowEnded = false;
};

void onField(void* text, std::size_t size, void* context)
{
    static_cast<Collected*>(context)->fields.emplace_back(static_cast<const char*>(text), size);
}

void onRow(int, void* context)
{
    static_cast<Collected*>(context)->rowEnded = true;
}

// libcsv trims spaces and tabs around unquoted fields unless told that no
// character is a space; an exact round trip needs every one kept.
int noSpace(unsigned char)
{
    return 0;
}

// libcsv's parser, freed with its owner.
class CsvParser {
public:
    explicit CsvParser(char delimiter)
    {
        csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_delim(&parser_, static_cast<unsigned char>(delimiter));
        csv_set_space_func(&parser_, noSpace);
    }
    ~CsvParser() { csv_free(&parser_); }
    CsvParser(const CsvParser&) = delete;
    CsvParser& operator=(const CsvParser&) = delete;

    // False when the text breaks the quoting rules.
    bool parse(std::string_view text, Collected& collected)
    {
        const std::size_t read = csv_parse(&parser_, text.data(), text.size(), onField, onRow, &collected);
        return read == text.size() || failed();
    }
    // False when a quoted field is still open at the end.
    bool finish(Collected& collected) { return csv_fini(&parser_, onField, onRow, &collected) == 0 || failed(); }

private:
    // Memory running out is no fault of the file.
    bool failed()
    {
        const int status = csv_error(&parser_);
        if (status != CSV_EPARSE)
            throw deckError(DeckErrorCode::CannotRead,
                            std::string("Cannot read the CSV text: ") + csv_strerror(status));
        return false;
    }

    csv_parser parser_{};
};

std::string fieldCount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " field" : " fields");
}

// A problem found on `line` in the entry that begins on `entryLine`; the
// error names the entry's first line, where an open quote would be.
SourceError entryProblem(long entryLine, long line, const std::string& problem, Remedy remedy = {})
{
    if (line == entryLine)
        return malformedLine(entryLine, problem, std::move(remedy));
    return malformedLine(entryLine,
                         "the entry that begins on this line " + problem + " on line " + std::to_string(line)
                             + "; is a quote on this line left open?",
                         std::move(remedy));
}

bool needsQuotes(std::string_view text)
{
    return text.find_first_of(",\"\r\n\t") != std::string_view::npos || text.starts_with(' ') || text.ends_with(' ')
           || text.starts_with(kUtf8Mark);
}

void appendField(std::string& record, std::string_view text)
{
    if (!needsQuotes(text)) {
        record.append(text);
        return;
    }
    std::string quoted(csv_write(nullptr, 0, text.data(), text.size()), '\0');
    csv_write(quoted.data(), quoted.size(), text.data(), text.size());
    record.append(quoted);
}

} // namespace

void readCsvRecords(std::string_view source, char delimiter, long linesBefore, const CsvRecordReader& record)
{
    const Remedy quoteHint = delimiter == '\t' ? Remedy{RemedyKind::FormatTsv, {}} : Remedy{};
    CsvParser parser(delimiter);
    Collected collected;
    long entryLine = 0; // the line the entry being read begins on; 0 between entries

    // Each line ends an entry or goes on with one (a line break inside
    // quotes), so an entry is complete, if at all, when its line is parsed.
    const auto endEntry = [&](long lastLine) {
        collected.rowEnded = false;
        std::vector<std::string> fields = std::exchange(collected.fields, {});
        record(std::exchange(entryLine, 0), lastLine, fields);
    };

    long lastLine = 0;
    for (SourceLine line : splitLines(source)) {
        line.number += linesBefore;
        checkEncoding(line);
        lastLine = line.number;
        if (entryLine == 0) {
            if (isBlank(line))
                continue;
            entryLine = line.number;
        }
        if (!parser.parse(line.withEnd, collected))
            throw entryProblem(entryLine, line.number,
                               "has a quote out of place: quote the whole field and double each quote inside it",
                               quoteHint);
        if (collected.rowEnded)
            endEntry(line.number);
    }
    if (entryLine != 0) {
        if (!parser.finish(collected))
            throw malformedLine(entryLine, "a quote opened in the entry that begins on this line is never closed");
        if (collected.rowEnded)
            endEntry(lastLine);
    }
}

void readCsv(std::string_view source, char delimiter, bool skipHeader, SourceSink& sink)
{
    const Remedy separatorHint{RemedyKind::Separator,
                               delimiter == ',' ? std::string("commas") : separatorName(delimiter)};
    bool headerPending = skipHeader;
    readCsvRecords(source, delimiter, 0, [&](long line, long lastLine, std::vector<std::string>& fields) {
        if (std::exchange(headerPending, false))
            return;
        if (fields.size() != 2)
            throw entryProblem(line, lastLine,
                               "has " + fieldCount(fields.size())
                                   + " where 2, the term and the definition, were expected",
                               separatorHint);
        sink.entry({line, std::move(fields[0]), std::move(fields[1])});
    });
}

namespace {

// What the guess counts with one candidate separator: the records, and
// those that split into exactly two fields.
struct Shape {
    std::size_t fields = 0;
    bool blank = true; // the record so far holds nothing but spaces
    long records = 0;
    long fitting = 0;
};

void countField(void* text, std::size_t size, void* context)
{
    auto& shape = *static_cast<Shape*>(context);
    ++shape.fields;
    shape.blank =
        shape.blank
        && std::string_view(static_cast<const char*>(text), size).find_first_not_of(' ') == std::string_view::npos;
}

void countRecord(int, void* context)
{
    auto& shape = *static_cast<Shape*>(context);
    if (!(shape.fields == 1 && shape.blank)) {
        ++shape.records;
        shape.fitting += shape.fields == 2;
    }
    shape.fields = 0;
    shape.blank = true;
}

// How `source` splits with `separator`. A quote out of place ends the count:
// the records after it do not fit.
Shape shapeWith(std::string_view source, char separator)
{
    csv_parser parser{};
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    csv_set_space_func(&parser, noSpace);
    Shape shape;
    const bool whole =
        csv_parse(&parser, source.data(), source.size(), countField, countRecord, &shape) == source.size()
        && csv_fini(&parser, countField, countRecord, &shape) == 0;
    csv_free(&parser);
    if (!whole)
        ++shape.records; // the record that broke the rules
    return shape;
}

// The separators a file named .csv may use, the one least likely inside a
// text first: when several split every line in two, the first wins.
constexpr char kCandidates[] = {'\t', ';', '|', ','};

} // namespace

char guessSeparator(std::string_view source)
{
    char best = ',';
    long bestFitting = -1;
    for (const char candidate : kCandidates) {
        const Shape shape = shapeWith(source, candidate);
        if (shape.records > 0 && shape.fitting == shape.records)
            return candidate;
        if (shape.fitting > bestFitting || (shape.fitting == bestFitting && candidate == ',')) {
            best = candidate;
            bestFitting = shape.fitting;
        }
    }
    return best;
}

std::optional<char> csvSeparatorThatFits(std::string_view source)
{
    for (const char candidate : kCandidates) {
        const Shape shape = shapeWith(source, candidate);
        if (shape.records > 0 && shape.fitting == shape.records)
            return candidate;
    }
    return std::nullopt;
}

std::optional<char> separatorNamed(std::string_view name)
{
    for (const auto& [character, separatorName] : kSeparatorNames)
        if (name == separatorName)
            return character;
    if (name.size() == 1 && name != "\"" && name != "\r" && name != "\n")
        return name.front();
    return std::nullopt;
}

std::optional<std::string> separatorTextNamed(std::string_view name)
{
    if (const auto named = separatorNamed(name))
        return std::string(1, *named);
    if (name.size() > 1 && name.find_first_of("\r\n") == std::string_view::npos)
        return std::string(name);
    return std::nullopt;
}

std::string separatorTextName(std::string_view separator)
{
    if (separator.size() == 1)
        return separatorName(separator.front());
    // Built step by step: GCC 12 at -O3 warns falsely (-Wrestrict) of "'" + std::string.
    std::string quoted(1, '\'');
    quoted += separator;
    quoted += '\'';
    return quoted;
}

std::string separatorName(char separator)
{
    for (const auto& [character, name] : kSeparatorNames)
        if (character == separator)
            return name;
    return std::string("'") + separator + "'";
}

void readCsvSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink)
{
    const std::string text = toUtf8(
        std::string_view(input.bytes.constData(), static_cast<std::size_t>(input.bytes.size())), options.encoding);
    if (options.separator && (options.separator->size() > 1 || !options.rowSeparator.empty())) {
        readDelimited(text, *options.separator, options.rowSeparator, options.skipHeader, sink);
        return;
    }
    if (!options.separator && !options.rowSeparator.empty()) {
        readDelimited(text, ",", options.rowSeparator, options.skipHeader, sink);
        return;
    }
    char separator = options.separator ? options.separator->front() : ',';
    if (!options.separator && options.guessSeparator) {
        separator = guessSeparator(text);
        if (separator != ',')
            sink.note("read as " + separatorName(separator)
                      + "-separated text: its lines split into term and definition there, not at commas");
    }
    readCsv(text, separator, options.skipHeader, sink);
}

void readDelimited(std::string_view source, std::string_view separator, std::string_view rowSeparator, bool skipHeader,
                   SourceSink& sink)
{
    const std::string name = separatorTextName(separator);
    bool headerPending = skipHeader;
    const auto readRow = [&](long number, std::string_view row) {
        checkEncoding(SourceLine{number, row, row});
        if (row.find_first_not_of(" \r\n") == std::string_view::npos || std::exchange(headerPending, false))
            return;
        const std::size_t at = row.find(separator);
        if (at == std::string_view::npos)
            throw malformedLine(number, "does not hold the separator " + name + " between the term and the definition",
                                {RemedyKind::Separator, name});
        if (row.find(separator, at + separator.size()) != std::string_view::npos)
            throw malformedLine(number, "holds the separator " + name
                                            + " more than once, where once, between the term and the definition, "
                                              "was expected");
        sink.entry({number, std::string(row.substr(0, at)), std::string(row.substr(at + separator.size()))});
    };
    if (rowSeparator.empty()) {
        for (const SourceLine& line : splitLines(source))
            readRow(line.number, line.text);
        return;
    }
    // Line breaks around a row separator only lay the rows out; the line
    // named is the one the row's text begins on.
    long line = 1;
    for (std::size_t begin = 0; begin <= source.size();) {
        std::size_t end = source.find(rowSeparator, begin);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view row = source.substr(begin, end - begin);
        const auto breaks = [](std::string_view text) { return std::count(text.begin(), text.end(), '\n'); };
        const std::size_t first = row.find_first_not_of("\r\n");
        const std::size_t lead = first == std::string_view::npos ? row.size() : first;
        line += static_cast<long>(breaks(row.substr(0, lead)));
        row.remove_prefix(lead);
        const std::size_t last = row.find_last_not_of("\r\n");
        readRow(line, row.substr(0, last == std::string_view::npos ? 0 : last + 1));
        line += static_cast<long>(breaks(row) + breaks(source.substr(end, rowSeparator.size())));
        begin = end + rowSeparator.size();
    }
}

std::string csvRecord(std::string_view term, std::string_view definition)
{
    std::string record;
    appendField(record, term);
    record.push_back(',');
    appendField(record, definition);
    record.append("\r\n");
    return record;
}

} // namespace deck
