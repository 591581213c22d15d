#pragma once

#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <vector>

// A search text, matched without regard to case against UTF-8 texts.
//
// Unicode-aware, as QString is with Qt::CaseInsensitive: a character of the
// text matches one of the needle when both fold to the same. The match runs
// over the UTF-8 bytes as they are, without converting them, and over whole
// blocks of bytes at a time: that keeps a search over every entry of a large
// deck within a keystroke.
class TextMatch {
public:
    explicit TextMatch(const QString& needle = {});

    bool empty() const { return forms_.empty(); }
    // Whether the UTF-8 `text` contains the needle.
    bool in(std::string_view text) const;

private:
    // Looks for the needle character by character, each in any of its forms.
    bool findForms(std::string_view text) const;

    // For each character of the needle, in UTF-8, every character that
    // folds as it does ('k', 'K' and the Kelvin sign for 'k').
    std::vector<std::vector<std::string>> forms_;
    // The bytes that end a form of the needle's first character.
    std::array<bool, 256> endsFirst_{};
    // The same for the first and second characters, when each has at most
    // four (filtered_), and every form of the second has secondLength_ bytes:
    // a test of whole blocks of bytes for where the needle may be.
    std::array<unsigned char, 4> firstEnds_{};
    std::array<unsigned char, 4> secondEnds_{};
    std::size_t secondLength_ = 0;
    bool filtered_ = false;
};
