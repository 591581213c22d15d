#pragma once

#include "notefields.h"
#include "sourceformat.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QByteArray;

namespace store {
class Connection;
}

namespace deck {

// The Create screen's boxes take at most this many UTF-16 code units.
inline constexpr long kLongestText = 255;

// The length of a UTF-8 text in UTF-16 code units, as a text box counts it.
long textLength(std::string_view text);

struct ImportOptions {
    Format format = Format::Csv;
    bool detectTabs = false; // the format comes from a .csv name: tab-separated text may hide behind it
    bool detectNotes = false; // the format comes from a name: a notes export may hide behind it
    bool skipHeader = false;
    bool allowLong = false;
    bool skipDuplicates = false;
    bool html = false;                  // the texts are HTML, to be turned into text
    std::optional<FieldPair> columns;   // the fields of a note to take (notes exports, packages)
};

struct ImportResult {
    long imported = 0;
    long duplicates = 0;
    std::vector<std::string> notes; // how the source was read, entries left out
};

// Adds the entries of `source` to the deck, in the order of the source.
//
// All or nothing: the whole source is read and checked first, and the
// entries are stored in one transaction. The first malformed line, or the
// first text longer than kLongestText without `allowLong`, raises an error
// naming its line, and the deck stays as it was. With `skipDuplicates` an
// entry whose term and definition both equal those of a stored entry (or of
// one imported before it) is counted and left out.
ImportResult importEntries(store::Connection& deck, const QByteArray& source, const ImportOptions& options);

} // namespace deck
