// SPDX-License-Identifier: MIT
#include "textencoding.h"

#include "deckerror.h"
#include "sourcelines.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace deck {
namespace {

// Longer marks first: UTF-32 LE begins with the UTF-16 LE mark.
constexpr std::pair<std::string_view, const char*> kMarks[] = {
    {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
    {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
    {kUtf8Mark, "UTF-8"},
    {"\xFF\xFE", "UTF-16LE"},
    {"\xFE\xFF", "UTF-16BE"},
};

// An iconv conversion descriptor, closed with its owner.
class Converter {
public:
    explicit Converter(const std::string& from) : descriptor_(iconv_open("UTF-8", from.c_str()))
    {
        if (descriptor_
            == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv_open's failure value
            throw usageError("unknown encoding '" + from
                             + "': give a name iconv knows, such as windows-1252, "
                               "iso-8859-2 or shift_jis ('iconv --list' shows them all)");
    }
    ~Converter() { iconv_close(descriptor_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

// The number of the line that `text` ends on, as an editor counts lines.
long lineAtEnd(std::string_view text)
{
    long line = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++line;
    return line;
}

} // namespace

std::string convertToUtf8(std::string_view source, const std::string& encoding)
{
    const Converter converter(encoding);
    std::string out(source.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(source.data()); // iconv's interface; it does not write there
    std::size_t inLeft = source.size();
    std::size_t written = 0;
    while (inLeft > 0) {
        char* outAt = out.data() + written;
        std::size_t outLeft = out.size() - written;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &outAt, &outLeft);
        written = out.size() - outLeft;
        if (result != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        const long line = lineAtEnd(std::string_view(out.data(), written));
        if (errno == EINVAL)
            throw malformedLine(line, "ends in the middle of a character of the encoding " + encoding);
        throw malformedLine(line, "holds bytes that are not valid " + encoding + " text",
                            {RemedyKind::OwnEncoding, {}});
    }
    out.resize(written);
    return out;
}

void requireKnownEncoding(const std::string& encoding)
{
    const Converter converter(encoding);
}

std::string toUtf8(std::string_view source, const std::string& encoding)
{
    for (const auto& [mark, name] : kMarks)
        if (source.starts_with(mark)) {
            source.remove_prefix(mark.size());
            return std::string_view(name) == "UTF-8" && encoding.empty() ? std::string(source)
                                                                         : convertToUtf8(source, name);
        }
    return encoding.empty() ? std::string(source) : convertToUtf8(source, encoding);
}

} // namespace deck
