// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string_view>

#include "foldedcolumn.h"
#include "textfold.h"

#include <QSortFilterProxyModel>
#include <unicode/uversion.h>

#include <memory>
#include <string>
#include <vector>

class DeckModel;

U_NAMESPACE_BEGIN
class Collator;
U_NAMESPACE_END

// The rows of a DeckModel that hold the search text by meaning (TextFold):
// in the term, the definition or either; every row while the search is
// empty. Sorted, in the view only, by ID or by the texts as the user's
// locale orders them.
//
// A search or a sort by text reads every entry once, folded (or as a
// collation key) into memory, and follows the deck's changes row by row
// from then on; matching a row is a look into its folded texts.
class SearchFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    enum class Scope { Both, Terms, Definitions };

    explicit SearchFilter(DeckModel& deck, QObject* parent = nullptr);
    ~SearchFilter() override;

    void setSearch(const QString& text);
    QString search() const { return search_; }
    // Whether accents (combining marks) must match: off, "e" finds "é".
    void setMatchAccents(bool match);
    bool matchAccents() const { return fold_.matchAccents(); }
    void setScope(Scope scope);
    Scope scope() const { return scope_; }

    // Whether the deck's row `sourceRow` holds the search where the scope looks.
    bool rowMatches(int sourceRow) const;
    // Where the search is in `text`, a text of `column` (start, length), to
    // show it; nothing for a column the search does not look in.
    QList<std::pair<qsizetype, qsizetype>> matchesIn(const QString& text, int column) const;

    // By ID ascending is the deck's own order: no sort at all.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    void followDeck();
    void rowsAdded(int first, int last);
    void rowsGone(int first, int last);
    void rowsChanged(int first, int last);
    // Lets go of the folded texts and keys: read again when next needed.
    void forget();
    // Every entry's ID and texts in ID order, in one read of the deck.
    void readEntries(
        const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit) const;
    void readFolded() const;
    void readKeys(int column) const;
    void rankKeys() const;
    std::string keyOf(std::string_view text) const;
    void refilter();

    DeckModel& deck_;
    QString search_;
    std::string needle_; // the search, folded
    TextFold fold_;
    Scope scope_ = Scope::Both;
    // Filled on first need (mutable: the proxy asks through const calls).
    mutable FoldedColumn folded_[2]; // terms, definitions
    mutable bool haveFolded_ = false;
    mutable std::vector<std::string> keys_; // of keyColumn_'s texts, by row
    // Each row's place among the keys, for the proxy's many comparisons;
    // empty once a key changes.
    mutable std::vector<int> ranks_;
    mutable int keyColumn_ = -1;
    mutable std::unique_ptr<icu::Collator> collator_;
    // While a new search lays the rows out: the rows it accepts, found in
    // one pass over the folded texts.
    std::vector<char> accepted_;
    bool settingSearch_ = false;
};
