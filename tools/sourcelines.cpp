#include "sourcelines.h"

#include "deckerror.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <utility>

namespace deck {
namespace {

// Longer marks first: UTF-32 LE begins with the UTF-16 LE mark.
constexpr std::pair<std::string_view, const char*> kForeignMarks[] = {
    {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32"},
    {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32"},
    {"\xFF\xFE", "UTF-16"},
    {"\xFE\xFF", "UTF-16"},
};

} // namespace

std::string_view withoutByteOrderMark(std::string_view source)
{
    if (source.starts_with(kUtf8Mark))
        return source.substr(kUtf8Mark.size());
    for (const auto& [mark, encoding] : kForeignMarks)
        if (source.starts_with(mark))
            throw malformedLine(1, std::string("the file is ") + encoding + " text; save it as UTF-8 and import it again");
    return source;
}

std::vector<SourceLine> splitLines(std::string_view source)
{
    std::vector<SourceLine> lines;
    std::size_t begin = 0;
    while (begin < source.size()) {
        std::size_t end = source.find_first_of("\r\n", begin);
        std::size_t next = source.size();
        if (end == std::string_view::npos)
            end = source.size();
        else if (source[end] == '\r' && end + 1 < source.size() && source[end + 1] == '\n')
            next = end + 2;
        else
            next = end + 1;
        lines.push_back({static_cast<long>(lines.size()) + 1, source.substr(begin, end - begin), source.substr(begin, next - begin)});
        begin = next;
    }
    return lines;
}

void checkEncoding(const SourceLine& line)
{
    if (line.text.find('\0') != std::string_view::npos)
        throw malformedLine(line.number, "holds a NUL character; is the file UTF-16 rather than UTF-8?");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(line.text.data(), static_cast<qsizetype>(line.text.size())));
    if (decoder.hasError())
        throw malformedLine(line.number, "is not valid UTF-8 text; save the file as UTF-8 and import it again");
}

bool isBlank(const SourceLine& line)
{
    return line.text.find_first_not_of(' ') == std::string_view::npos;
}

} // namespace deck
