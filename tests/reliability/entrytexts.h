// SPDX-License-Identifier: MIT
#pragma once

// The texts of entry number n, as the store driver writes them: a term and a
// definition that can be told apart from any other entry's and checked whole,
// mixing one-, two-, three- and four-byte characters, each at most 255 UTF-16
// units like the Create boxes' text.

#include <optional>
#include <random>
#include <string>

namespace entrytexts {

inline std::string payload(long n, int salt)
{
    struct Piece {
        const char* utf8;
        int units; // UTF-16 units
    };
    static const Piece pieces[] = {
        {"a", 1},
        {"Z", 1},
        {" ", 1},
        {"'", 1},
        {"\xC3\xA9", 1},
        {"\xD7\xA9", 1},
        {"\xE6\x97\xA5", 1},
        {"\xF0\x9F\x98\x80", 2},
        {"e\xCC\x81", 2},
    };
    std::mt19937 random(static_cast<unsigned>(n * 2 + salt));
    const int length = std::uniform_int_distribution<int>(0, 230)(random);
    std::string text;
    for (int units = 0; units < length;) {
        const Piece& piece = pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
        text += piece.utf8;
        units += piece.units;
    }
    return text;
}

inline std::string termOf(long n)
{
    return "term " + std::to_string(n) + " " + payload(n, 0);
}
inline std::string definitionOf(long n)
{
    return "definition " + std::to_string(n) + " " + payload(n, 1);
}

// The number of the entry whose term this is, if it is one of ours.
inline std::optional<long> numberOf(const std::string& term)
{
    if (term.rfind("term ", 0) != 0)
        return std::nullopt;
    std::size_t end = 5;
    while (end < term.size() && term[end] >= '0' && term[end] <= '9')
        ++end;
    if (end == 5)
        return std::nullopt;
    return std::stol(term.substr(5, end - 5));
}

} // namespace entrytexts
