// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"
#include "textlimit.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {
class Connection;
}

namespace deck {

// The Create screen's boxes take at most this many UTF-16 code units.
inline constexpr long kLongestText = kLongestTypedText;

// The length of a UTF-8 text in UTF-16 code units, as a text box counts it.
long textLength(std::string_view text);

struct ImportOptions {
    Format format = Format::Csv;
    ReadOptions read;
    bool allowLong = false;
    bool skipDuplicates = false;
};

// Entries a reader left out for one reason.
struct LeftOut {
    std::string reason; // "without a comment"
    long count = 0;
    std::vector<long> places; // where the first few begin
};

// How the source was read, and what the user may change about it.
struct SourceNote {
    std::string text;
    Remedy remedy;
};

// The note as the command line says it, its remedy in option names.
std::string commandLineText(const SourceNote& note);

struct ImportResult {
    long imported = 0;
    long duplicates = 0;           // left out by skipDuplicates
    long alreadyStored = 0;        // entries equal to one the deck holds, left out or not
    std::vector<LeftOut> leftOut;  // by reason, in the order first met
    std::vector<SourceNote> notes; // how the source was read
    const char* place = "line";    // what the numbers in leftOut count

    long leftOutCount() const;
};

// Why a source cannot be imported: the error's number and description as
// the command line says it, and its parts for other front ends. `line` is 0
// when the refusal is about the whole source.
struct Refusal {
    int number = 0;
    std::string description;
    long line = 0;
    std::string reason;
    Remedy remedy;
};

// "2 without a comment: lines 4, 9; 1 without a term: line 12".
std::string leftOutText(const ImportResult& result);

// The terms and definitions a deck holds, for the duplicate check.
using StoredPairs = std::set<std::pair<std::string, std::string>>;
StoredPairs storedPairs(store::Connection& deck);

// One reading of a source: what a preview shows and what an import writes.
struct ParsedSource {
    std::vector<SourceEntry> entries; // those to store, in the order of the source
    ImportResult result;              // what the reading found; `imported` stays 0
    std::optional<Refusal> refusal;   // set when nothing may be imported
};

// Reads and checks `source` as `options` say, against the `stored` pairs of
// the deck it is for; nothing is written. A source that cannot be imported
// comes back with its refusal (see importEntries for the rules).
ParsedSource parseSource(const SourceInput& source, const ImportOptions& options, const StoredPairs& stored);

// Stores the parsed entries in one transaction, all or nothing. Raises the
// refusal of a refused source, and the error of a deck without room for them.
ImportResult storeParsed(store::Connection& deck, const ParsedSource& parsed);

// Raises the error for `count` new entries when any would get an ID above
// store::kLargestReviewableId.
void checkRoom(store::Connection& deck, std::size_t count);

// Adds the entries of `source` to the deck, in the order of the source.
//
// All or nothing: the whole source is read and checked first, and the
// entries are stored in one transaction, with IDs by store::Deck's rule. The
// deck stays as it was when
// - a line is malformed, or a text is longer than kLongestText without
//   `allowLong` (the error names its line);
// - a source that is not blank yields no entry (the error says why);
// - an entry would get an ID above store::kLargestReviewableId (the error
//   says how many fit).
// An entry with neither a term nor a definition is left out and counted.
// With `skipDuplicates` an entry whose term and definition both equal those
// of a stored entry (or of one imported before it) is counted and left out.
ImportResult importEntries(store::Connection& deck, const SourceInput& source, const ImportOptions& options);

} // namespace deck
