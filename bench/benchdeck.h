// SPDX-License-Identifier: MIT
#pragma once

#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

// A Verbrio.mdb in a fresh temporary directory, filled with entries whose
// texts have the lengths people type, for the benchmarks.
class BenchDeck {
public:
    // The lengths of the texts, in characters, each drawn from its range.
    struct TextLengths {
        int termMin, termMax, definitionMin, definitionMax;
    };
    static constexpr TextLengths kTypical{20, 60, 100, 255};
    static constexpr TextLengths kLongest{255, 255, 255, 255};
    // The letters of the texts: Latin, or the Cyrillic letters in their place
    // (two bytes each in UTF-8).
    enum class Script { Latin, Cyrillic };

    // One entry for each ID of `ids`. The file is in WAL mode, as every file
    // is once the program has stored something in it.
    explicit BenchDeck(const std::vector<std::int64_t>& ids, TextLengths lengths = kTypical,
                       Script script = Script::Latin);
    // A copy of `other`'s file in a directory of its own.
    static BenchDeck copyOf(const BenchDeck& other);

    BenchDeck(BenchDeck&&) = default;

    std::string directory() const { return dir_.path().toStdString(); }
    std::string path() const;

    // The number of entries in the file, read by a connection of its own.
    long entryCount() const;

    // IDs 1..n.
    static std::vector<std::int64_t> consecutive(std::int64_t n);
    // `count` IDs spread evenly from 1 to `largest`, both included.
    static std::vector<std::int64_t> spread(std::int64_t count, std::int64_t largest);

    // An entry's texts, the same for a given ID in every deck: words of
    // lower-case letters filling the lengths drawn from `lengths`.
    static std::string term(std::int64_t id, TextLengths lengths = kTypical);
    static std::string definition(std::int64_t id, TextLengths lengths = kTypical);

private:
    BenchDeck() = default;

    QTemporaryDir dir_;
};
