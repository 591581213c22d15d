// SPDX-License-Identifier: MIT
#include "exporter.h"

#include "connection.h"
#include "csvformat.h"
#include "deck.h"
#include "deckerror.h"
#include "tsvformat.h"

namespace deck {
namespace {

constexpr std::size_t kShownTermLength = 40;

// "entry 12 (term "Hydrogen")": the term cut short at a character's start,
// its tabs and line breaks written as \t, \n and \r.
std::string entryName(long long id, const std::string& term)
{
    std::string shown;
    for (const char c : term) {
        if (shown.size() >= kShownTermLength && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            shown += "…";
            break;
        }
        switch (c) {
        case '\t': shown += "\\t"; break;
        case '\n': shown += "\\n"; break;
        case '\r': shown += "\\r"; break;
        default: shown += c;
        }
    }
    return "entry " + std::to_string(id) + " (term \"" + shown + "\")";
}

void refuseForTsv(long long id, const std::string& term, const char* side, const std::string& text)
{
    if (const char* obstacle = tsvObstacle(text))
        throw deckError(DeckErrorCode::NotTabSafe, entryName(id, term) + ": its " + side + " holds " + obstacle
                                                       + ", which tab-separated text cannot hold; export as CSV instead"
                                                         " (--format csv, or an output file ending in .csv)");
}

} // namespace

ExportedText exportEntries(store::Connection& deck, Format format)
{
    if (format != Format::Csv && format != Format::Tsv)
        throw deckError(DeckErrorCode::Usage, "export writes CSV or tab-separated text, not KVTML");
    deck.checkTable();
    return deck.run([&] {
        ExportedText exported;
        store::Deck(deck).forEach([&](const store::Entry& entry) {
            const long long id = entry.id;
            const std::string& term = entry.term;
            const std::string& definition = entry.definition;
            if (format == Format::Csv) {
                exported.text += csvRecord(term, definition);
            } else {
                refuseForTsv(id, term, "term", term);
                refuseForTsv(id, term, "definition", definition);
                exported.text += tsvRecord(term, definition);
            }
            ++exported.count;
        });
        return exported;
    });
}

} // namespace deck
