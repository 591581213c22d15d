#include "csvformat.h"

#include "deckerror.h"
#include "sourcelines.h"

#include <csv.h>

#include <utility>
#include <vector>

namespace deck {
namespace {

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
            throw deckError(DeckErrorCode::CannotRead, std::string("Cannot read the CSV text: ") + csv_strerror(status));
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
store::Error entryProblem(long entryLine, long line, const std::string& problem)
{
    if (line == entryLine)
        return malformedLine(entryLine, problem);
    return malformedLine(entryLine, "the entry that begins on this line " + problem + " on line " + std::to_string(line) +
                                        "; is a quote on this line left open?");
}

bool needsQuotes(std::string_view text)
{
    return text.find_first_of(",\"\r\n\t") != std::string_view::npos || text.starts_with(' ') || text.ends_with(' ') ||
           text.starts_with(kUtf8Mark);
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

void readCsv(std::string_view source, char delimiter, bool skipHeader, SourceSink& sink)
{
    const std::string quoteHint = delimiter == '\t' ? " (to read quotes as ordinary characters, give --format tsv)" : "";
    CsvParser parser(delimiter);
    Collected collected;
    bool headerPending = skipHeader;
    long entryLine = 0; // the line the entry being read begins on; 0 between entries

    // Each line ends an entry or goes on with one (a line break inside
    // quotes), so an entry is complete, if at all, when its line is parsed.
    const auto endEntry = [&](long lastLine) {
        collected.rowEnded = false;
        std::vector<std::string> fields = std::exchange(collected.fields, {});
        const long line = std::exchange(entryLine, 0);
        if (std::exchange(headerPending, false))
            return;
        if (fields.size() != 2)
            throw entryProblem(line, lastLine, "has " + fieldCount(fields.size()) + " where 2, the term and the definition, were expected");
        sink.entry({line, std::move(fields[0]), std::move(fields[1])});
    };

    long lastLine = 0;
    for (const SourceLine& line : splitLines(source)) {
        checkEncoding(line);
        lastLine = line.number;
        if (entryLine == 0) {
            if (isBlank(line))
                continue;
            entryLine = line.number;
        }
        if (!parser.parse(line.withEnd, collected))
            throw entryProblem(entryLine, line.number, "has a quote out of place: quote the whole field and double each quote inside it" + quoteHint);
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

bool looksTabSeparated(std::string_view source)
{
    bool quoted = false;
    bool fieldStart = true;
    bool tabs = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < source.size() && source[i + 1] == '"')
                    ++i;
                else
                    quoted = false;
            }
            continue;
        }
        if (c == ',')
            return false;
        if (c == '"' && fieldStart)
            quoted = true;
        tabs |= c == '\t';
        fieldStart = c == '\t' || c == '\r' || c == '\n';
    }
    return tabs;
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
