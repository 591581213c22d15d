#include "searchfilter.h"

#include "connection.h"
#include "deckmodel.h"
#include "error.h"
#include "everyentry.h"

#include <QLocale>
#include <unicode/coll.h>

namespace {

// Rows changed at once up to this many are read one by one; more, and the
// whole deck is read again in one pass when next needed.
constexpr int kRowsReadOneByOne = 256;

} // namespace

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
    invalidate();
    rowCount(); // lays the rows out now, even with no view asking
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
    return rowMatches(sourceRow);
}

void SearchFilter::sort(int column, Qt::SortOrder order)
{
    QSortFilterProxyModel::sort(column == DeckModel::IdColumn && order == Qt::AscendingOrder ? -1 : column, order);
}

bool SearchFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const std::int64_t leftId = deck_.idAt(left.row());
    const std::int64_t rightId = deck_.idAt(right.row());
    if (column == DeckModel::TermColumn || column == DeckModel::DefinitionColumn) {
        readKeys(column);
        const std::string& leftKey = keys_[std::size_t(left.row())];
        const std::string& rightKey = keys_[std::size_t(right.row())];
        if (leftKey != rightKey)
            return leftKey < rightKey;
    }
    return leftId < rightId; // equal texts in ID order
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
    rowsChanged(first, last);
}

void SearchFilter::rowsGone(int first, int last)
{
    if (haveFolded_)
        for (FoldedColumn& column : folded_)
            column.remove(first, last - first + 1);
    if (keyColumn_ >= 0)
        keys_.erase(keys_.begin() + first, keys_.begin() + last + 1);
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
        store::forEachEntry(deck_.connection(), [&](std::int64_t id, std::string_view term, std::string_view definition) {
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
    keys_.assign(std::size_t(deck_.rowCount()), std::string());
    try {
        store::forEachEntry(deck_.connection(), [&](std::int64_t id, std::string_view term, std::string_view definition) {
            if (const int row = deck_.rowOfId(id); row >= 0)
                keys_[std::size_t(row)] = keyOf(std::string(column == DeckModel::TermColumn ? term : definition));
        });
    } catch (const store::Error&) {
        // Ordered by ID until the deck's next read reports what is wrong.
    }
}

std::string SearchFilter::keyOf(const std::string& text) const
{
    if (!collator_) {
        UErrorCode status = U_ZERO_ERROR;
        collator_.reset(icu::Collator::createInstance(icu::Locale(QLocale().name().toLatin1().constData()), status));
        if (U_FAILURE(status))
            collator_.reset();
        if (!collator_)
            return text; // by code point, as a last resort
    }
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    std::string key(std::size_t(unicode.length()) * 2 + 8, '\0');
    int32_t length = collator_->getSortKey(unicode, reinterpret_cast<std::uint8_t*>(key.data()), int32_t(key.size()));
    if (std::size_t(length) > key.size()) {
        key.resize(std::size_t(length));
        length = collator_->getSortKey(unicode, reinterpret_cast<std::uint8_t*>(key.data()), int32_t(key.size()));
    }
    key.resize(std::size_t(length));
    key.shrink_to_fit();
    return key;
}
