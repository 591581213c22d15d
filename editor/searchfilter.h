#pragma once

#include "textmatch.h"

#include <QSortFilterProxyModel>

#include <vector>

class DeckModel;

// The rows of a DeckModel whose term or definition contains the search
// text, without regard to case; every row while the search is empty.
class SearchFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit SearchFilter(DeckModel& deck, QObject* parent = nullptr);

    void setSearch(const QString& text);
    QString search() const { return search_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    DeckModel& deck_;
    QString search_;
    TextMatch match_;
    // The rows the search accepts, worked out by setSearch in one pass over
    // the file. Any change of the deck's rows makes it stale.
    std::vector<char> accepted_;
    bool acceptedFresh_ = false;
    bool settingSearch_ = false;
};
