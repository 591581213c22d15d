#include "deckcheck.h"

#include "connection.h"

#include <SQLiteCpp/Statement.h>

namespace deck {

DeckFigures measureDeck(store::Connection& deck)
{
    deck.checkTable();
    return deck.run([&] {
        DeckFigures figures;
        SQLite::Statement range(deck.db(),
                                "SELECT count(*), min(ID), max(ID), count(*) FILTER (WHERE ID < 1) FROM Questions");
        range.executeStep();
        figures.count = range.getColumn(0).getInt64();
        figures.lowest = range.getColumn(1).getInt64();
        figures.highest = range.getColumn(2).getInt64();
        figures.belowOne = range.getColumn(3).getInt64();

        if (figures.highest >= 1) {
            figures.missing = figures.highest - (figures.count - figures.belowOne);
            // A run of missing IDs ends just below an entry whose predecessor
            // is missing; the largest ID is present, so every run is counted.
            SQLite::Statement gaps(deck.db(), "SELECT count(*) FROM Questions AS q WHERE q.ID >= 2 "
                                              "AND NOT EXISTS (SELECT 1 FROM Questions AS p WHERE p.ID = q.ID - 1)");
            gaps.executeStep();
            figures.gaps = gaps.getColumn(0).getInt64();
        }
        return figures;
    });
}

DeckFigures examineDeck(store::Connection& deck)
{
    DeckFigures figures = measureDeck(deck);
    deck.run([&] {
        SQLite::Statement integrity(deck.db(), "PRAGMA integrity_check");
        while (integrity.executeStep())
            figures.integrity.push_back(integrity.getColumn(0).getString());
    });
    return figures;
}

std::vector<std::string> deckWarnings(const DeckFigures& figures, const std::string& deckName)
{
    const std::string compact = "'verbrio-deck compact " + deckName + "'";
    const std::string count = std::to_string(figures.count);
    const std::string highest = std::to_string(figures.highest);
    std::vector<std::string> warnings;
    if (figures.count > 0 && figures.highest > kLargestReviewableId) {
        std::string warning = "the largest ID, " + highest + ", is above " + std::to_string(kLargestReviewableId)
                              + ": the Review screen cannot pick an entry from this deck (it fails with an overflow). ";
        if (figures.count <= kLargestReviewableId)
            warning += compact + " renumbers the entries 1 to " + count + ".";
        else
            warning += "The deck has more entries than that; move some of them to another deck.";
        warnings.push_back(warning);
    }
    if (figures.count > 0 && figures.highest > kSparseFactor * figures.count)
        warnings.push_back("the largest ID, " + highest + ", is more than " + std::to_string(kSparseFactor)
                           + " times the number of entries, " + count + ": a random pick misses on most draws (about "
                           + std::to_string(figures.highest / figures.count) + " draws a pick). " + compact
                           + " closes the gaps.");
    if (figures.belowOne > 0)
        warnings.push_back(std::to_string(figures.belowOne)
                           + " entries have an ID below 1: the Review screen never picks them. " + compact
                           + " renumbers them.");
    return warnings;
}

bool compactChangesIds(const DeckFigures& figures)
{
    return figures.count > 0 && (figures.belowOne > 0 || figures.highest != figures.count);
}

} // namespace deck
