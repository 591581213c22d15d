// SPDX-License-Identifier: MIT
#include "searchfilter.h"

#include "connection.h"
#include "deck.h"
#include "deckmodel.h"
#include "error.h"

#include <QLocale>
#include <QScopedValueRollback>
#include <unicode/coll.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <numeric>

namespace {

// Rows changed at once up to this many are read one by one; more, and the
// whole deck is read again in one pass when next needed.
constexpr int kRowsReadOneByOne = 256;

} // namespace

void SearchFilter::readEntries(
    const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit) const
{
    deck_.connection().checkTable();
    store::Deck(deck_.connection()).forEachText(visit);
}

SearchFilter::SearchFilter(DeckModel& deck, QObject* parent) : QSortFilterProxyModel(parent), deck_(deck)
{
    // Before the proxy's own connections: its texts are up to date by the
    // time the proxy filters and sorts a changed row.
    followDeck();
    setSourceModel(&deck);
}

SearchFilter::~SearchFilter() = default;

void SearchFilter::followDeck()
{
    connect(&deck_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { rowsAdded(first, last); });
    connect(&deck_, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { rowsGone(first, last); });
    connect(&deck_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) { rowsChanged(from.row(), to.row()); });
    connect(&deck_, &QAbstractItemModel::modelReset, this, &SearchFilter::forget);
    connect(&deck_, &QAbstractItemModel::layoutChanged, this, &SearchFilter::forget);
}

void SearchFilter::setSearch(const QString& text)
{
    if (text == search_)
        return;
    search_ = text;
    needle_ = fold_.fold(text);
    refilter();
}

void SearchFilter::setMatchAccents(bool match)
{
    if (match == fold_.matchAccents())
        return;
    fold_ = TextFold(match);
    for (FoldedColumn& column : folded_)
        column.clear();
    haveFolded_ = false;
    needle_ = fold_.fold(search_);
    refilter();
}

void SearchFilter::setScope(Scope scope)
{
    if (scope == scope_)
        return;
    scope_ = scope;
    refilter();
}

void SearchFilter::refilter()
{
    // Filtering again row by row would tell the view of each run of rows
    // that comes or goes, and the view answers each in time growing with
    // the table: a new search lays the rows out afresh instead, keeping the
    // selection.
    accepted_.assign(std::size_t(deck_.rowCount()), needle_.empty());
    if (!needle_.empty()) {
        readFolded();
        if (scope_ != Scope::Definitions)
            folded_[0].markRows(needle_, accepted_);
        if (scope_ != Scope::Terms)
            folded_[1].markRows(needle_, accepted_);
    }
    QScopedValueRollback guard(settingSearch_, true);
    invalidate();
    rowCount(); // lays the rows out now, from accepted_, even with no view asking
    std::vector<char>().swap(accepted_);
}

bool SearchFilter::rowMatches(int sourceRow) const
{
    if (needle_.empty())
        return true;
    readFolded();
    if (sourceRow < 0 || sourceRow >= folded_[0].size())
        return false;
    return (scope_ != Scope::Definitions && folded_[0].contains(sourceRow, needle_))
           || (scope_ != Scope::Terms && folded_[1].contains(sourceRow, needle_));
}

QList<std::pair<qsizetype, qsizetype>> SearchFilter::matchesIn(const QString& text, int column) const
{
    const bool looked = (column == DeckModel::TermColumn && scope_ != Scope::Definitions)
                        || (column == DeckModel::DefinitionColumn && scope_ != Scope::Terms);
    return looked ? fold_.find(text, needle_) : QList<std::pair<qsizetype, qsizetype>>();
}

bool SearchFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    // A new row being typed stays in sight whatever the search.
    if (deck_.isPending(sourceRow))
        return true;
    // Rows the deck adds or changes later are matched as they come.
    if (settingSearch_ && std::size_t(sourceRow) < accepted_.size())
        return accepted_[std::size_t(sourceRow)] != 0;
    return rowMatches(sourceRow);
}

void SearchFilter::sort(int column, Qt::SortOrder order)
{
    QSortFilterProxyModel::sort(column == DeckModel::IdColumn && order == Qt::AscendingOrder ? -1 : column, order);
}

bool SearchFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    if (column == DeckModel::TermColumn || column == DeckModel::DefinitionColumn) {
        readKeys(column);
        rankKeys();
        return ranks_[std::size_t(left.row())] < ranks_[std::size_t(right.row())];
    }
    return deck_.idAt(left.row()) < deck_.idAt(right.row());
}

void SearchFilter::rowsAdded(int first, int last)
{
    const int count = last - first + 1;
    if (count > kRowsReadOneByOne) {
        forget();
        return;
    }
    if (haveFolded_)
        for (FoldedColumn& column : folded_)
            column.insert(first, count);
    if (keyColumn_ >= 0)
        keys_.insert(keys_.begin() + first, std::size_t(count), std::string());
    ranks_.clear();
    rowsChanged(first, last);
}

void SearchFilter::rowsGone(int first, int last)
{
    if (haveFolded_)
        for (FoldedColumn& column : folded_)
            column.remove(first, last - first + 1);
    if (keyColumn_ >= 0)
        keys_.erase(keys_.begin() + first, keys_.begin() + last + 1);
    ranks_.clear();
}

void SearchFilter::rowsChanged(int first, int last)
{
    if (!haveFolded_ && keyColumn_ < 0)
        return;
    if (last - first + 1 > kRowsReadOneByOne) {
        forget();
        return;
    }
    try {
        for (int row = first; row <= last; ++row) {
            const DeckEntry entry = deck_.entry(row);
            if (haveFolded_) {
                folded_[0].set(row, fold_.fold(entry.term));
                folded_[1].set(row, fold_.fold(entry.definition));
            }
            if (keyColumn_ >= 0)
                keys_[std::size_t(row)] = keyOf(keyColumn_ == DeckModel::TermColumn ? entry.term : entry.definition);
        }
        ranks_.clear();
    } catch (const store::Error&) {
        forget(); // the deck's own next read reports what is wrong
    }
}

void SearchFilter::forget()
{
    for (FoldedColumn& column : folded_)
        column.clear();
    haveFolded_ = false;
    std::vector<std::string>().swap(keys_);
    std::vector<int>().swap(ranks_);
    keyColumn_ = -1;
}

void SearchFilter::readFolded() const
{
    if (haveFolded_)
        return;
    haveFolded_ = true;
    const int rows = deck_.rowCount();
    try {
        int next = 0;
        readEntries([&](std::int64_t id, std::string_view term, std::string_view definition) {
            const int row = deck_.rowOfId(id);
            if (row < next)
                return; // not among the deck's rows (yet)
            for (; next < row; ++next)
                for (FoldedColumn& column : folded_)
                    column.append({});
            folded_[0].append(fold_.fold(term));
            folded_[1].append(fold_.fold(definition));
            ++next;
        });
    } catch (const store::Error&) {
        // Matched as empty until the deck's next read reports what is wrong.
    }
    for (FoldedColumn& column : folded_)
        while (column.size() < rows)
            column.append({});
}

void SearchFilter::readKeys(int column) const
{
    if (keyColumn_ == column)
        return;
    keyColumn_ = column;
    ranks_.clear();
    keys_.assign(std::size_t(deck_.rowCount()), std::string());
    try {
        readEntries([&](std::int64_t id, std::string_view term, std::string_view definition) {
            if (const int row = deck_.rowOfId(id); row >= 0)
                keys_[std::size_t(row)] = keyOf(column == DeckModel::TermColumn ? term : definition);
        });
    } catch (const store::Error&) {
        // Ordered by ID until the deck's next read reports what is wrong.
    }
}

void SearchFilter::rankKeys() const
{
    if (!ranks_.empty() || keys_.empty())
        return;
    std::vector<int> order(keys_.size());
    std::iota(order.begin(), order.end(), 0);
    // Equal texts in ID order, which is the rows' order.
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys_[std::size_t(a)].compare(keys_[std::size_t(b)]);
        return c < 0 || (c == 0 && a < b);
    });
    ranks_.resize(order.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        ranks_[std::size_t(order[rank])] = int(rank);
}

std::string SearchFilter::keyOf(std::string_view text) const
{
    if (!collator_) {
        UErrorCode status = U_ZERO_ERROR;
        collator_.reset(icu::Collator::createInstance(icu::Locale(QLocale().name().toLatin1().constData()), status));
        if (U_FAILURE(status))
            collator_.reset();
        if (!collator_)
            return std::string(text); // by code point, as a last resort
    }
    // Buffers kept from one key to the next: a sort makes tens of thousands.
    static thread_local std::vector<UChar> utf16;
    static thread_local std::vector<std::uint8_t> key;
    utf16.resize(text.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16.data(), int32_t(utf16.size()), &length, text.data(), int32_t(text.size()), 0xFFFD,
                         nullptr, &status);
    if (U_FAILURE(status))
        return std::string(text);
    key.resize(std::max<std::size_t>(key.size(), 64));
    int32_t size = collator_->getSortKey(utf16.data(), length, key.data(), int32_t(key.size()));
    if (std::size_t(size) > key.size()) {
        key.resize(std::size_t(size));
        size = collator_->getSortKey(utf16.data(), length, key.data(), int32_t(key.size()));
    }
    return std::string(reinterpret_cast<const char*>(key.data()), std::size_t(size));
}
