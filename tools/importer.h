#pragma once

#include "sourceformat.h"
#include "textlimit.h"

#include <string>
#include <string_view>
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

struct ImportResult {
    long imported = 0;
    long duplicates = 0;
    std::vector<LeftOut> leftOut;   // by reason, in the order first met
    std::vector<std::string> notes; // how the source was read
    const char* place = "line";     // what the numbers in leftOut count

    long leftOutCount() const;
};

// "2 without a comment: lines 4, 9; 1 without a term: line 12".
std::string leftOutText(const ImportResult& result);

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
