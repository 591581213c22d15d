// SPDX-License-Identifier: MIT
#include "notesexport.h"

#include "csvformat.h"
#include "deckerror.h"
#include "sourcelines.h"
#include "textencoding.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>

namespace deck {
namespace {

// Headers that name a column holding something other than a field.
constexpr std::string_view kSpecialColumns[] = {"guid column", "notetype column", "deck column", "tags column"};

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool isHeader(const SourceLine& line)
{
    return line.text.starts_with('#') && line.text.find(':') != std::string_view::npos;
}

struct Headers {
    char separator = '\t';
    bool html = false;
    std::set<int> special; // columns, from 0, that hold no field
    long lines = 0;        // how many lines the headers take
};

char separatorOf(const SourceLine& line, std::string_view value)
{
    // A name in any case ("Tab"), or a character as it is.
    if (const auto separator = separatorNamed(value.size() == 1 ? std::string(value) : lowered(value)))
        return *separator;
    throw malformedLine(line.number, "names the separator '" + std::string(value)
                                         + "'; tab, comma, semicolon, pipe, space or a single character was expected");
}

Headers readHeaders(const std::vector<SourceLine>& lines, SourceSink& sink)
{
    Headers headers;
    for (const SourceLine& line : lines) {
        if (!isHeader(line))
            break;
        checkEncoding(line);
        ++headers.lines;
        const std::size_t colon = line.text.find(':');
        const std::string key = lowered(line.text.substr(1, colon - 1));
        const std::string_view value = line.text.substr(colon + 1);
        if (key == "separator") {
            headers.separator = separatorOf(line, value);
        } else if (key == "html") {
            if (lowered(value) != "true" && lowered(value) != "false")
                throw malformedLine(line.number,
                                    "says html is '" + std::string(value) + "'; true or false was expected");
            headers.html = lowered(value) == "true";
        } else if (key == "columns") {
            // the names of the columns: nothing to do with them
        } else if (std::find(std::begin(kSpecialColumns), std::end(kSpecialColumns), key)
                   != std::end(kSpecialColumns)) {
            const auto column = columnNumbered(value);
            if (!column)
                throw malformedLine(line.number, "gives the " + key + " as '" + std::string(value)
                                                     + "'; a column number from 1 was expected");
            headers.special.insert(*column);
        } else {
            sink.note("line " + std::to_string(line.number) + ": the header '" + std::string(line.text)
                      + "' is ignored");
        }
    }
    return headers;
}

FieldPair firstTwoFields(const std::set<int>& special)
{
    std::vector<int> fields;
    for (int column = 0; fields.size() < 2; ++column)
        if (!special.contains(column))
            fields.push_back(column);
    return {fields[0], fields[1]};
}

} // namespace

bool looksLikeNotesExport(std::string_view source)
{
    if (source.starts_with(kUtf8Mark))
        source.remove_prefix(kUtf8Mark.size());
    for (const SourceLine& line : splitLines(source.substr(0, 4096))) {
        if (!isHeader(line))
            return false;
        const std::string text = lowered(line.text);
        if (text.starts_with("#separator:") || text.starts_with("#html:"))
            return true;
    }
    return false;
}

void readNotesExport(std::string_view source, std::optional<FieldPair> chosen, bool html, SourceSink& sink)
{
    const std::vector<SourceLine> lines = splitLines(source);
    const Headers headers = readHeaders(lines, sink);
    std::size_t offset = 0;
    if (headers.lines > 0) {
        const std::string_view last = lines[static_cast<std::size_t>(headers.lines) - 1].withEnd;
        offset = static_cast<std::size_t>(last.data() + last.size() - source.data());
    }

    NoteEntries notes(chosen.value_or(firstTwoFields(headers.special)), html || headers.html, sink);
    readCsvRecords(source.substr(offset), headers.separator, headers.lines,
                   [&](long line, long, std::vector<std::string>& fields) { notes.add(line, fields); });
    notes.finish();
}

void readNotesSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink)
{
    const std::string text = toUtf8(
        std::string_view(input.bytes.constData(), static_cast<std::size_t>(input.bytes.size())), options.encoding);
    readNotesExport(text, options.columns, options.html, sink);
}

} // namespace deck
