// SPDX-License-Identifier: MIT
#include "sourcelines.h"

#include "deckerror.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <utility>

namespace deck {

std::vector<SourceLine> splitLines(std::string_view source)
{
    std::vector<SourceLine> lines;
    std::size_t begin = 0;
    while (begin < source.size()) {
        // A plain loop: find_first_of calls memchr on its set for every byte.
        std::size_t end = begin;
        while (end < source.size() && source[end] != '\n' && source[end] != '\r')
            ++end;
        std::size_t next = end;
        if (end < source.size())
            next += source[end] == '\r' && end + 1 < source.size() && source[end + 1] == '\n' ? 2 : 1;
        lines.push_back({static_cast<long>(lines.size()) + 1, source.substr(begin, end - begin),
                         source.substr(begin, next - begin)});
        begin = next;
    }
    return lines;
}

void checkEncoding(const SourceLine& line)
{
    if (line.text.find('\0') != std::string_view::npos)
        throw malformedLine(line.number, "holds a NUL character", {RemedyKind::Utf16, {}});
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(line.text.data(), static_cast<qsizetype>(line.text.size())));
    if (decoder.hasError())
        throw malformedLine(line.number, "is not valid UTF-8 text", {RemedyKind::Encoding, {}});
}

bool isBlank(const SourceLine& line)
{
    return line.text.find_first_not_of(' ') == std::string_view::npos;
}

} // namespace deck
