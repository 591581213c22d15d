#include "textmatch.h"

#include <QList>

#include <algorithm>
#include <unordered_map>

namespace {

// Bytes looked at together: a block where the needle cannot be costs a few
// vector steps.
constexpr std::size_t kBlock = 64;

// Whether `text` holds `form` at `at`. A form is one character, one to
// four bytes: a call to memcmp would cost more than the comparison.
bool formAt(std::string_view text, std::size_t at, const std::string& form)
{
    if (form.size() > text.size() - at)
        return false;
    for (std::size_t i = 0; i < form.size(); ++i)
        if (text[at + i] != form[i])
            return false;
    return true;
}

// Unicode folds no character beyond its first two planes.
constexpr char32_t kLastFolding = 0x1FFFF;

// Every character whose case folding differs from it, under the one it
// folds to: 1,454 of them in Qt 6.4, found once.
const std::unordered_multimap<char32_t, char32_t>& unfoldings()
{
    static const auto table = [] {
        std::unordered_multimap<char32_t, char32_t> found;
        for (char32_t c = 0; c <= kLastFolding; ++c)
            if (!QChar::isSurrogate(c) && QChar::toCaseFolded(c) != c)
                found.emplace(QChar::toCaseFolded(c), c);
        return found;
    }();
    return table;
}

// The bytes that end `forms`, when there are at most four of them, the last
// repeated to fill the four; false when there are more.
bool endBytes(const std::vector<std::string>& forms, std::array<unsigned char, 4>& ends)
{
    std::size_t n = 0;
    for (const std::string& form : forms) {
        const auto end = static_cast<unsigned char>(form.back());
        if (std::find(ends.begin(), ends.begin() + std::ptrdiff_t(n), end) != ends.begin() + std::ptrdiff_t(n))
            continue;
        if (n == ends.size())
            return false;
        ends[n++] = end;
    }
    std::fill(ends.begin() + std::ptrdiff_t(n), ends.end(), ends[n - 1]);
    return true;
}

// 1 when `byte` is one of `ends`: four comparisons the compiler can run over
// many bytes at once.
unsigned char oneOf(unsigned char byte, const std::array<unsigned char, 4>& ends)
{
    return static_cast<unsigned char>((byte == ends[0]) | (byte == ends[1]) | (byte == ends[2]) | (byte == ends[3]));
}

} // namespace

TextMatch::TextMatch(const QString& needle)
{
    const QString folded = needle.toCaseFolded();
    for (const char32_t c : folded.toUcs4()) {
        std::vector<std::string>& forms = forms_.emplace_back();
        forms.push_back(QString::fromUcs4(&c, 1).toStdString());
        const auto [from, to] = unfoldings().equal_range(c);
        for (auto other = from; other != to; ++other)
            forms.push_back(QString::fromUcs4(&other->second, 1).toStdString());
    }
    if (forms_.empty())
        return;
    for (const std::string& form : forms_.front())
        endsFirst_[static_cast<unsigned char>(form.back())] = true;
    filtered_ = endBytes(forms_.front(), firstEnds_);
    // The second character narrows the test where its forms all have one
    // length ('s' does not: the long s has two bytes); else the first repeats.
    secondEnds_ = firstEnds_;
    if (forms_.size() > 1) {
        const std::vector<std::string>& second = forms_[1];
        const std::size_t length = second.front().size();
        std::array<unsigned char, 4> ends{};
        if (std::all_of(second.begin(), second.end(), [&](const std::string& f) { return f.size() == length; })
            && endBytes(second, ends)) {
            secondEnds_ = ends;
            secondLength_ = length;
        }
    }
}

bool TextMatch::in(std::string_view text) const
{
    return forms_.empty() || findForms(text);
}

bool TextMatch::findForms(std::string_view text) const
{
    // The rest of the needle, from its second character, at `at`.
    const auto restAt = [&](std::size_t at) {
        for (std::size_t k = 1; k < forms_.size(); ++k) {
            const auto form = std::find_if(forms_[k].begin(), forms_[k].end(),
                                           [&](const std::string& f) { return formAt(text, at, f); });
            if (form == forms_[k].end())
                return false;
            at += form->size();
        }
        return true;
    };
    // Whether the needle ends its first character at `end`. No form is the
    // start of another (UTF-8 is prefix-free), and each begins where a
    // character does.
    const auto matchAt = [&](std::size_t end) {
        for (const std::string& form : forms_.front())
            if (form.size() <= end && formAt(text, end - form.size(), form) && restAt(end))
                return true;
        return false;
    };
    // Only a block where some byte ends a form of the first character, and
    // the byte secondLength_ on ends one of the second, is looked at byte by
    // byte.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t lasts = text.size() > secondLength_ ? text.size() - secondLength_ : 0;
    for (std::size_t i = 0; i < lasts; i += kBlock) {
        const std::size_t stop = std::min(lasts, i + kBlock);
        if (filtered_) {
            unsigned char candidate = 0;
            for (std::size_t j = i; j < stop; ++j)
                candidate |= oneOf(bytes[j], firstEnds_) & oneOf(bytes[j + secondLength_], secondEnds_);
            if (candidate == 0)
                continue;
        }
        for (std::size_t j = i; j < stop; ++j)
            if (endsFirst_[bytes[j]] && matchAt(j + 1))
                return true;
    }
    return false;
}
