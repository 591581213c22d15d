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
    // The rows a new search accepts, found in one pass over the file and
    // used while the proxy lays its rows out again.
    std::vector<char> accepted_;
    bool settingSearch_ = false;
};
