// SPDX-License-Identifier: MIT
#include "textfold.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether `c` only adds to the character before it: a combining mark.
bool addsToPrevious(char32_t c)
{
    return (U_GET_GC_MASK(UChar32(c)) & U_GC_M_MASK) != 0 || u_getCombiningClass(UChar32(c)) != 0;
}

// `text` through `normalizer`; `text` itself when ICU cannot.
std::string normalized(const icu::Normalizer2* normalizer, std::string_view text)
{
    std::string out;
    icu::StringByteSink<std::string> sink(&out, int32_t(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    if (normalizer)
        normalizer->normalizeUTF8(0, icu::StringPiece(text.data(), int32_t(text.size())), sink, nullptr, status);
    return normalizer && U_SUCCESS(status) ? out : std::string(text);
}

} // namespace

std::string TextFold::fold(std::string_view text) const
{
    // Most texts of most decks: case is all there is to fold.
    if (isAscii(text)) {
        std::string lower(text);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return lower;
    }
    UErrorCode status = U_ZERO_ERROR;
    static const icu::Normalizer2* const caseFold = icu::Normalizer2::getNFKCCasefoldInstance(status);
    static const icu::Normalizer2* const decompose = icu::Normalizer2::getNFDInstance(status);
    std::string folded = normalized(caseFold, text);
    if (matchAccents_)
        return folded;
    // Most letters have no accent to take off: decomposed only where needed.
    status = U_ZERO_ERROR;
    if (!decompose || !decompose->isNormalizedUTF8(folded, status) || U_FAILURE(status))
        folded = normalized(decompose, folded);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(folded.data());
    const auto length = int32_t(folded.size());
    std::string kept;
    int32_t keptUpTo = 0; // folded[0, keptUpTo) is in `kept` or needs no mark taken off
    for (int32_t at = 0; at < length;) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c >= 0 && u_charType(c) == U_NON_SPACING_MARK) {
            kept.append(folded, std::size_t(keptUpTo), std::size_t(start - keptUpTo));
            keptUpTo = at;
        }
    }
    if (keptUpTo == 0)
        return folded;
    kept.append(folded, std::size_t(keptUpTo), std::string::npos);
    return kept;
}

std::string TextFold::fold(const QString& text) const
{
    const QByteArray utf8 = text.toUtf8();
    return fold(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

const std::string& TextFold::foldPiece(QStringView piece) const
{
    // A few hundred characters make up a deck's texts; a table keeps them
    // within bounds all the same.
    constexpr std::size_t kKept = 4096;
    static thread_local std::unordered_map<QString, std::string> kept[2];
    auto& table = kept[matchAccents_ ? 1 : 0];
    const QString key = piece.toString();
    if (const auto found = table.find(key); found != table.end())
        return found->second;
    if (table.size() >= kKept)
        table.clear();
    return table.emplace(key, fold(key)).first->second;
}

QList<std::pair<qsizetype, qsizetype>> TextFold::find(const QString& text, std::string_view needle) const
{
    QList<std::pair<qsizetype, qsizetype>> found;
    if (needle.empty())
        return found;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        // Folded, an ASCII text keeps its length: where it matches is where it is.
        const std::string lower = fold(text);
        for (std::size_t at = lower.find(needle); at != std::string::npos; at = lower.find(needle, at + needle.size()))
            found.append({qsizetype(at), qsizetype(needle.size())});
        return found;
    }
    // The text folded a character at a time (with the marks that go with
    // it), each folded byte knowing the character it came from.
    std::string folded;
    std::vector<qsizetype> starts;  // of each character in `text`
    std::vector<std::size_t> owner; // for each folded byte, its character
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype start = at;
        do
            at += QChar::isSurrogate(text[at].unicode()) && at + 1 < text.size() ? 2 : 1;
        while (at < text.size() && addsToPrevious(QStringView(text).mid(at, 2).toUcs4().value(0)));
        const std::string& piece = foldPiece(QStringView(text).mid(start, at - start));
        owner.insert(owner.end(), piece.size(), starts.size());
        starts.push_back(start);
        folded += piece;
    }
    starts.push_back(text.size());
    for (std::size_t at = folded.find(needle); at != std::string::npos; at = folded.find(needle, at + needle.size())) {
        const std::size_t first = owner[at];
        const std::size_t last = owner[at + needle.size() - 1];
        found.append({starts[first], starts[last + 1] - starts[first]});
    }
    return found;
}
