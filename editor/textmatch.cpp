#include "textmatch.h"

#include <algorithm>

namespace {

constexpr char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// For a letter, setting bit 5 gives its lower case: one step the compiler
// can run over many bytes at once.
constexpr unsigned char foldMask(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? 0x20 : 0;
}

// Starts of a match looked at together: a block where none can start costs
// a few vector steps.
constexpr std::size_t kBlock = 64;

bool isAscii(std::string_view text)
{
    unsigned char bits = 0;
    for (const char c : text)
        bits |= static_cast<unsigned char>(c);
    return bits < 0x80;
}

// Of all the characters outside ASCII, only the long s and the Kelvin sign
// fold into it (to 's' and 'k'): without them in a text, an ASCII needle
// matches nowhere the bytes did not.
bool hasFoldingIntoAscii(std::string_view text)
{
    return text.find("\u017F") != std::string_view::npos || text.find("\u212A") != std::string_view::npos;
}

} // namespace

TextMatch::TextMatch(const QString& needle) : needle_(needle)
{
    // A character outside ASCII can fold into it (the Kelvin sign to 'k'):
    // compare the folded needle against ASCII texts.
    const QString folded = needle.toCaseFolded();
    needleAscii_ = std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (needleAscii_)
        asciiNeedle_ = folded.toStdString();
}

bool TextMatch::in(std::string_view text) const
{
    if (needle_.isEmpty())
        return true;
    if (needleAscii_) {
        // Found among the ASCII bytes, the needle is there in any text: no
        // byte of a longer UTF-8 character is ASCII.
        const AsciiScan found = findAscii(text);
        if (found != AsciiScan::NotAscii)
            return found == AsciiScan::Found;
        if (!hasFoldingIntoAscii(text))
            return false;
    } else if (isAscii(text)) {
        return false; // a non-ASCII character never folds to ASCII text
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size())).contains(needle_, Qt::CaseInsensitive);
}

TextMatch::AsciiScan TextMatch::findAscii(std::string_view text) const
{
    const std::size_t n = asciiNeedle_.size();
    const auto first = static_cast<unsigned char>(asciiNeedle_.front());
    const auto last = static_cast<unsigned char>(asciiNeedle_.back());
    const unsigned char firstMask = foldMask(first);
    const unsigned char lastMask = foldMask(last);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto startsMatch = [&](std::size_t i) {
        if ((bytes[i] | firstMask) != first || (bytes[i + n - 1] | lastMask) != last)
            return false;
        for (std::size_t k = 1; k + 1 < n; ++k)
            if (lower(text[i + k]) != asciiNeedle_[k])
                return false;
        return true;
    };

    // Only a block where some first and last bytes fit together is looked at
    // start by start. Any byte outside ASCII is noted on the way.
    unsigned char bits = 0;
    const std::size_t starts = text.size() >= n ? text.size() - n + 1 : 0;
    for (std::size_t i = 0; i < starts; i += kBlock) {
        const std::size_t end = std::min(starts, i + kBlock);
        unsigned char candidate = 0;
        for (std::size_t j = i; j < end; ++j) {
            bits |= bytes[j];
            candidate |= static_cast<unsigned char>((bytes[j] | firstMask) == first)
                         & static_cast<unsigned char>((bytes[j + n - 1] | lastMask) == last);
        }
        if (candidate)
            for (std::size_t j = i; j < end; ++j)
                if (startsMatch(j))
                    return AsciiScan::Found;
    }
    return bits < 0x80 && isAscii(text.substr(starts)) ? AsciiScan::Absent : AsciiScan::NotAscii;
}
