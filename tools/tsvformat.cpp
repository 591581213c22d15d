// SPDX-License-Identifier: MIT
#include "tsvformat.h"

#include "csvformat.h"
#include "deckerror.h"
#include "sourcelines.h"
#include "textencoding.h"

#include <algorithm>
#include <utility>

namespace deck {

namespace {

// A file that reads as CSV (a comma export named .txt, a spreadsheet's
// text with a quoted cell over several lines) is named as such.
SourceError noTab(std::string_view source, long line)
{
    std::string reason = "has no tab; each line must hold the term, a tab and the definition";
    const std::optional<char> separator = csvSeparatorThatFits(source);
    if (!separator) {
        // A custom export: " - " between term and definition, often ";" between rows.
        const std::string_view text = splitLines(source).at(static_cast<std::size_t>(line - 1)).text;
        const std::size_t dash = text.find(" - ");
        if (dash == std::string_view::npos)
            return malformedLine(line, reason);
        const bool rows =
            text.find(" - ", dash + 3) != std::string_view::npos && text.find(';') != std::string_view::npos;
        return malformedLine(line, reason + "; its text has \" - \" between term and definition",
                             {RemedyKind::Delimited, "' - '", rows ? "';'" : ""});
    }
    reason += *separator == '\t' ? "; the file reads as CSV, with texts over several lines in quotes"
                                 : "; the file reads as CSV separated by " + separatorName(*separator);
    return malformedLine(line, reason, {RemedyKind::FormatCsv, separatorName(*separator)});
}

} // namespace

void readTsv(std::string_view source, bool skipHeader, SourceSink& sink)
{
    bool headerPending = skipHeader;
    for (const SourceLine& line : splitLines(source)) {
        checkEncoding(line);
        if (isBlank(line) || std::exchange(headerPending, false))
            continue;
        const auto tabs = std::count(line.text.begin(), line.text.end(), '\t');
        if (tabs == 0)
            throw noTab(source, line.number);
        if (tabs > 1)
            throw malformedLine(line.number, "has " + std::to_string(tabs)
                                                 + " tabs where one, between the term and the definition, was expected"
                                                   " (a text that holds tabs needs CSV)");
        const auto tab = line.text.find('\t');
        sink.entry({line.number, std::string(line.text.substr(0, tab)), std::string(line.text.substr(tab + 1))});
    }
}

void readTsvSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink)
{
    const std::string text = toUtf8(
        std::string_view(input.bytes.constData(), static_cast<std::size_t>(input.bytes.size())), options.encoding);
    if (options.separator || !options.rowSeparator.empty())
        readDelimited(text, options.separator.value_or("\t"), options.rowSeparator, options.skipHeader, sink);
    else
        readTsv(text, options.skipHeader, sink);
}

const char* tsvObstacle(std::string_view text)
{
    if (text.find('\t') != std::string_view::npos)
        return "a tab";
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return "a line break";
    return nullptr;
}

std::string tsvRecord(std::string_view term, std::string_view definition)
{
    std::string record;
    record.reserve(term.size() + definition.size() + 2);
    record.append(term).append(1, '\t').append(definition).append(1, '\n');
    return record;
}

} // namespace deck
