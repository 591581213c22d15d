// SPDX-License-Identifier: MIT
#include "deckcheck.h"

#include "connection.h"
#include "deck.h"

#include <SQLiteCpp/Statement.h>

namespace deck {

DeckFigures measureDeck(store::Connection& deck)
{
    deck.checkTable();
    return figuresOf(store::Deck(deck).counts());
}

DeckFigures figuresOf(const store::DeckCounts& counts)
{
    DeckFigures figures;
    figures.count = counts.count;
    figures.lowest = counts.lowest;
    figures.highest = counts.highest;
    figures.belowOne = counts.belowOne;
    figures.gaps = counts.gaps;
    figures.blank = counts.blank;
    if (figures.highest >= 1)
        figures.missing = figures.highest - (figures.count - figures.belowOne);
    return figures;
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
    if (figures.highest == kLargestReviewableId && figures.count < kLargestReviewableId)
        warnings.push_back("the largest ID is " + highest + ": no new entry fits above it. " + compact
                           + " renumbers the entries 1 to " + count + " and makes room.");
    if (figures.blank > 0)
        warnings.push_back(std::to_string(figures.blank) + (figures.blank == 1 ? " entry has" : " entries have")
                           + " neither a term nor a definition: the Review screen shows them empty. Delete them"
                             " with 'verbrio-deck edit "
                           + deckName + "'.");
    return warnings;
}

bool compactChangesIds(const DeckFigures& figures)
{
    return figures.count > 0 && (figures.belowOne > 0 || figures.highest != figures.count);
}

} // namespace deck
