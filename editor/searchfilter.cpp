#include "searchfilter.h"

#include "deckmodel.h"

SearchFilter::SearchFilter(DeckModel& deck, QObject* parent) : QSortFilterProxyModel(parent), deck_(deck)
{
    setSourceModel(&deck);
}

void SearchFilter::setSearch(const QString& text)
{
    if (text == search_)
        return;
    search_ = text;
    match_ = TextMatch(text);
    invalidateRowsFilter();
}

bool SearchFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return deck_.matches(sourceRow, match_);
}
