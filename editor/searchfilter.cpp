#include "searchfilter.h"

#include "deckmodel.h"

#include <QScopedValueRollback>

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
    accepted_ = deck_.matchingRows(match_);

    // Filtering again row by row would tell the view of each run of rows
    // that comes or goes, and the view answers each in time growing with
    // the table: a new search lays the rows out afresh instead, keeping the
    // selection.
    QScopedValueRollback guard(settingSearch_, true);
    invalidate();
    rowCount(); // lays the rows out now, from accepted_, even with no view asking
}

bool SearchFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    // Rows the deck adds or changes later are matched as they come.
    if (settingSearch_)
        return accepted_[std::size_t(sourceRow)] != 0;
    return deck_.matches(sourceRow, match_);
}
