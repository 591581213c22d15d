#include "textmatch.h"

#include <algorithm>

namespace {

constexpr char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

bool isAscii(std::string_view text)
{
    unsigned char bits = 0;
    for (const char c : text)
        bits |= static_cast<unsigned char>(c);
    return bits < 0x80;
}

TextMatch::TextMatch(const QString& needle) : needle_(needle)
{
    // A character outside ASCII can fold into it (the Kelvin sign to 'k'):
    // compare the folded needle against ASCII texts.
    const QString folded = needle.toCaseFolded();
    needleAscii_ = std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (needleAscii_)
        asciiNeedle_ = folded.toStdString();
}

bool TextMatch::in(std::string_view text, bool ascii) const
{
    if (needle_.isEmpty())
        return true;
    if (!ascii)
        return QString::fromUtf8(text.data(), qsizetype(text.size())).contains(needle_, Qt::CaseInsensitive);
    if (!needleAscii_)
        return false; // a non-ASCII character never folds to ASCII text
    const char first = asciiNeedle_.front();
    // For a letter, setting bit 5 gives its lower case, in one step the
    // compiler can run over many bytes at once.
    const char firstMask = first >= 'a' && first <= 'z' ? 0x20 : 0;
    const std::size_t n = asciiNeedle_.size();
    for (std::size_t i = 0; i + n <= text.size(); ++i) {
        if (char(text[i] | firstMask) != first)
            continue;
        std::size_t k = 1;
        while (k < n && lower(text[i + k]) == asciiNeedle_[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}
