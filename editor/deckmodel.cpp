// SPDX-License-Identifier: MIT
#include "deckmodel.h"

#include "connection.h"
#include "entrycommands.h"
#include "error.h"
#include "errorreport.h"

#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <future>
#include <utility>

namespace {

// A table cell shows the start of a text; the edit area shows it whole.
constexpr std::size_t kShownBytes = 300;
// Texts kept for rows shown; a screenful is a few dozen.
constexpr std::size_t kKeptTexts = 1024;
// Below this many entries a pass over the file takes a millisecond or two: not
// worth a second thread and connection.
constexpr std::size_t kRowsForTwoHalves = 4096;

std::string DeckEntry::*const kTextOf[] = {nullptr, &DeckEntry::term, &DeckEntry::definition};
// Past this many separate runs of rows, a change is told to the views as a
// reset: one notice per run would cost more than laying every row out again.
constexpr std::size_t kRunsBeforeReset = 64;
// A delete of this many entries or more first writes a copy of the deck.
constexpr std::size_t kBackedUpDelete = 100;

// The first line of `text`, cut to about kShownBytes at a character's start,
// with an ellipsis when anything was left out.
QString cellText(const std::string& text)
{
    std::size_t end = std::min({text.size(), text.find('\n'), kShownBytes});
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    QString shown = QString::fromUtf8(text.data(), qsizetype(end));
    if (end < text.size())
        shown += QChar(0x2026);
    return shown;
}

// The runs of consecutive positions in `rows` (ascending), as [first, last].
std::vector<std::pair<int, int>> runsOf(const std::vector<int>& rows)
{
    std::vector<std::pair<int, int>> runs;
    for (const int row : rows) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    return runs;
}

std::vector<std::int64_t> idsOf(const EntryRefs& refs)
{
    std::vector<std::int64_t> ids;
    ids.reserve(refs.size());
    for (const auto& ref : refs)
        ids.push_back(ref->id);
    return ids;
}

} // namespace

DeckModel::DeckModel(store::Connection& deck, QObject* parent)
    : QAbstractTableModel(parent), connection_(deck), deck_(deck)
{
    dataVersion_ = dataVersion();
    connection_.checkTable();
    deck_.fingerprints(ids_, prints_);
    // A deck replaced by rename is read afresh: every row.
    connection_.afterReopen = [this] { dataVersion_ = -1; };
}

DeckModel::~DeckModel()
{
    connection_.afterReopen = nullptr;
}

int DeckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ids_.size()) + (pending_ ? 1 : 0);
}

int DeckModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeckModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.column() == IdColumn) {
        if (isPending(index.row()))
            return {}; // no ID until it is stored
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return qlonglong(idAt(index.row()));
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    try {
        const std::string text = entry(index.row()).*kTextOf[index.column()];
        return role == Qt::DisplayRole ? cellText(text) : QString::fromStdString(text);
    } catch (const std::exception&) {
        return {}; // shown empty; the next change or refresh reports what is wrong
    }
}

QVariant DeckModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const names[] = {QT_TR_NOOP("ID"), QT_TR_NOOP("Term"), QT_TR_NOOP("Definition")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return tr(names[section]);
    return {};
}

Qt::ItemFlags DeckModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != IdColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DeckModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() == IdColumn || role != Qt::EditRole)
        return false;
    const std::string text = value.toString().toStdString();
    if (isPending(index.row())) {
        if (text.empty())
            return true; // still nothing typed: the row waits
        DeckEntry typed;
        typed.*kTextOf[index.column()] = text;
        return push(new AddEntryCommand(*this, typed.term, typed.definition));
    }
    DeckEntry before;
    if (!attempt([&] { before = entry(index.row()); }))
        return false;
    DeckEntry after = before;
    after.*kTextOf[index.column()] = text;
    if (after == before)
        return true;
    return push(new EditTextCommand(*this, refFor(before.id), before, after));
}

DeckEntry DeckModel::entry(int row) const
{
    const std::int64_t id = idAt(row);
    if (id == kPendingId)
        return DeckEntry{id, {}, {}};
    if (const auto kept = texts_.find(id); kept != texts_.end())
        return kept->second;
    // An entry gone meanwhile shows empty until the refresh takes its row away.
    DeckEntry read = deck_.entry(id).value_or(DeckEntry{id, {}, {}});
    if (texts_.size() >= kKeptTexts)
        texts_.clear();
    texts_.emplace(id, read);
    return read;
}

int DeckModel::rowOfId(std::int64_t id) const
{
    if (id == kPendingId)
        return pending_ ? int(ids_.size()) : -1;
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    return at != ids_.end() && *at == id ? int(at - ids_.begin()) : -1;
}

int DeckModel::addEntry()
{
    if (pending_)
        return int(ids_.size());
    // Refused at once on a full deck, not after the user has typed.
    if (!attempt([&] { deck_.checkRoom(1); }))
        return -1;
    const int row = int(ids_.size());
    beginInsertRows({}, row, row);
    pending_ = true;
    endInsertRows();
    return row;
}

void DeckModel::dropPending()
{
    if (!pending_)
        return;
    const int row = int(ids_.size());
    beginRemoveRows({}, row, row);
    pending_ = false;
    endRemoveRows();
}

void DeckModel::removeEntries(const std::vector<int>& rows)
{
    std::vector<std::int64_t> ids;
    ids.reserve(rows.size());
    bool dropNew = false;
    for (const int row : rows) {
        if (isPending(row))
            dropNew = true;
        else if (row >= 0 && row < int(ids_.size()))
            ids.push_back(idAt(row));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (dropNew)
        dropPending();
    // The texts as the file holds them now, read in one pass: what the
    // delete removes, and what its undo puts back.
    std::vector<DeckEntry> gone;
    if (ids.empty() || !attempt([&] { gone = deck_.entries(ids); }) || gone.empty())
        return;
    EntryRefs refs;
    refs.reserve(gone.size());
    for (const DeckEntry& entry : gone)
        refs.push_back(refFor(entry.id));
    push(new DeleteEntriesCommand(*this, std::move(refs), std::move(gone)));
}

bool DeckModel::settle() noexcept
{
    return connection_.leaveWal();
}

bool DeckModel::refresh()
{
    return attempt([&] {
               connection_.reopenIfMoved();
               const int version = dataVersion();
               if (version == dataVersion_)
                   return;
               dataVersion_ = version; // read first: a change made while reading shows next time
               connection_.checkTable();
               std::vector<std::int64_t> fresh;
               std::vector<std::uint64_t> prints;
               readFingerprints(fresh, prints);
               takeIn(fresh, prints);
               lastRefreshed_ = true;
           })
           && std::exchange(lastRefreshed_, false);
}

bool DeckModel::reload()
{
    dataVersion_ = -1; // no version the file reports
    return refresh();
}

void DeckModel::readFingerprints(std::vector<std::int64_t>& ids, std::vector<std::uint64_t>& prints)
{
    // As the search: a large deck in two halves at once, the upper one by a
    // connection of its own on a second thread.
    if (ids_.size() < kRowsForTwoHalves || connection_.fileMoved()) {
        deck_.fingerprints(ids, prints);
        return;
    }
    const std::int64_t middle = ids_[ids_.size() / 2];
    std::vector<std::int64_t> upperIds;
    std::vector<std::uint64_t> upperPrints;
    auto upper = std::async(std::launch::async, [&] {
        store::Connection reader(connection_.path(), store::Connection::Access::ReadOnly);
        store::Deck(reader).fingerprints(middle, std::numeric_limits<std::int64_t>::max(), upperIds, upperPrints);
    });
    deck_.fingerprints(std::numeric_limits<std::int64_t>::min(), middle - 1, ids, prints);
    upper.get();
    ids.insert(ids.end(), upperIds.begin(), upperIds.end());
    prints.insert(prints.end(), upperPrints.begin(), upperPrints.end());
}

std::shared_ptr<EntryRef> DeckModel::refFor(std::int64_t id)
{
    if (const auto known = refs_.find(id); known != refs_.end())
        if (auto ref = known->second.lock())
            return ref;
    auto ref = std::make_shared<EntryRef>(EntryRef{id});
    refs_[id] = ref;
    return ref;
}

std::int64_t DeckModel::writeNew(const std::string& term, const std::string& definition)
{
    const std::int64_t id = deck_.add(term, definition);
    texts_.erase(id);
    // The new row takes the place of the row typed into, where that is where
    // it belongs: the views keep it current, and any editor open on it.
    if (pending_ && (ids_.empty() || id > ids_.back())) {
        pending_ = false;
        ids_.push_back(id);
        prints_.push_back(store::fingerprint(term, definition));
        const int row = int(ids_.size()) - 1;
        emit dataChanged(index(row, IdColumn), index(row, DefinitionColumn));
        return id;
    }
    dropPending();
    insertRows({id}, {store::fingerprint(term, definition)});
    return id;
}

void DeckModel::writeTexts(const EntryRef& ref, const DeckEntry& before, const DeckEntry& after)
{
    DeckEntry expected = before;
    expected.id = ref.id;
    deck_.change(expected, after.term, after.definition);
    texts_.erase(ref.id);
    if (const int row = rowOfId(ref.id); row >= 0) {
        prints_[std::size_t(row)] = store::fingerprint(after.term, after.definition);
        emit dataChanged(index(row, TermColumn), index(row, DefinitionColumn));
    }
}

void DeckModel::writeBack(const EntryRefs& refs, std::vector<DeckEntry> entries)
{
    const std::vector<std::int64_t> wanted = idsOf(refs);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].id = wanted[i];
    deck_.restore(entries);
    std::vector<std::int64_t> added;
    std::vector<std::uint64_t> prints;
    added.reserve(entries.size());
    prints.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        refs[i]->id = entries[i].id; // later commands on the entry follow it
        refs_[entries[i].id] = refs[i];
        added.push_back(entries[i].id);
        prints.push_back(store::fingerprint(entries[i].term, entries[i].definition));
    }
    insertRows(std::move(added), prints);
}

void DeckModel::writeDelete(const EntryRefs& refs, std::vector<DeckEntry> entries)
{
    const std::vector<std::int64_t> ids = idsOf(refs);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].id = ids[i];
    if (entries.size() >= kBackedUpDelete) {
        // The same copy as the drill's Restart writes, so that
        // 'verbrio-deck restore' brings the entries back.
        const std::string backup = connection_.path() + ".bak";
        connection_.backUp(backup);
        emit said(tr("A copy of the deck was written to '%1' before deleting %2 entries")
                      .arg(QFileInfo(QString::fromStdString(backup)).fileName())
                      .arg(entries.size()));
    }
    deck_.remove(entries);
    removeRows(ids);
}

bool DeckModel::attempt(const std::function<void()>& work, Step step)
{
    try {
        work();
        return true;
    } catch (...) {
        // Whatever escapes: a store::Error, std::system_error from a second
        // thread, bad_alloc. No exception crosses Qt's event loop.
        lastFailed_ = true;
        const ErrorReport error = currentError();
        if (step != Step::Do && error.number == int(store::ErrorCode::ChangedElsewhere))
            emit said(error.description + (step == Step::Undo ? tr("; not undone") : tr("; not redone")));
        else
            emit failed(error.number, error.description);
        return false;
    }
}

void DeckModel::takeIn(const std::vector<std::int64_t>& fresh, const std::vector<std::uint64_t>& prints)
{
    // Both lists are in ascending order. The views hear only of what
    // changed: rows gone, rows added, and rows whose texts changed, each in
    // runs, so that a search re-checks only those rows. They keep their
    // selection and any editor open on a row that stays.
    std::vector<std::int64_t> gone;
    std::vector<std::int64_t> added;
    std::vector<std::uint64_t> addedPrints;
    std::vector<std::int64_t> changed;
    std::size_t i = 0, j = 0;
    while (i < ids_.size() || j < fresh.size()) {
        if (j == fresh.size() || (i < ids_.size() && ids_[i] < fresh[j])) {
            gone.push_back(ids_[i++]);
        } else if (i == ids_.size() || fresh[j] < ids_[i]) {
            added.push_back(fresh[j]);
            addedPrints.push_back(prints[j++]);
        } else {
            if (prints_[i] != prints[j])
                changed.push_back(ids_[i]);
            ++i;
            ++j;
        }
    }
    removeRows(gone);
    insertRows(std::move(added), addedPrints);
    std::vector<int> rows;
    rows.reserve(changed.size());
    for (const std::int64_t id : changed) {
        texts_.erase(id);
        const int row = rowOfId(id);
        prints_[std::size_t(row)] =
            prints[std::size_t(std::lower_bound(fresh.begin(), fresh.end(), id) - fresh.begin())];
        rows.push_back(row);
    }
    for (const auto& [first, last] : runsOf(rows))
        emit dataChanged(index(first, TermColumn), index(last, DefinitionColumn));
}

void DeckModel::insertRows(std::vector<std::int64_t> added, const std::vector<std::uint64_t>& prints)
{
    if (added.empty())
        return;
    // Sorted together with their fingerprints.
    std::vector<std::size_t> order(added.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return added[a] < added[b]; });
    std::vector<std::int64_t> ids;
    std::vector<std::uint64_t> printsInOrder;
    ids.reserve(order.size());
    printsInOrder.reserve(order.size());
    for (const std::size_t k : order) {
        ids.push_back(added[k]);
        printsInOrder.push_back(prints[k]);
    }
    // Where each run goes among the rows there are now.
    std::vector<std::pair<std::size_t, std::size_t>> runs; // [first, end) of ids, one place each
    for (std::size_t k = 0; k < ids.size();) {
        const std::size_t at = std::size_t(std::lower_bound(ids_.begin(), ids_.end(), ids[k]) - ids_.begin());
        std::size_t end = k + 1;
        while (end < ids.size() && (at == ids_.size() || ids[end] < ids_[at]))
            ++end;
        runs.emplace_back(k, end);
        k = end;
    }
    const bool reset = runs.size() > kRunsBeforeReset;
    if (reset)
        beginResetModel();
    // From the last run back, so the places found above stay right.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const auto [first, end] = *run;
        const std::size_t at = std::size_t(std::lower_bound(ids_.begin(), ids_.end(), ids[first]) - ids_.begin());
        if (!reset)
            beginInsertRows({}, int(at), int(at + (end - first)) - 1);
        ids_.insert(ids_.begin() + std::ptrdiff_t(at), ids.begin() + std::ptrdiff_t(first),
                    ids.begin() + std::ptrdiff_t(end));
        prints_.insert(prints_.begin() + std::ptrdiff_t(at), printsInOrder.begin() + std::ptrdiff_t(first),
                       printsInOrder.begin() + std::ptrdiff_t(end));
        if (!reset)
            endInsertRows();
    }
    if (reset)
        endResetModel();
    for (const std::int64_t id : ids)
        texts_.erase(id);
}

void DeckModel::removeRows(const std::vector<std::int64_t>& gone)
{
    std::vector<int> rows;
    rows.reserve(gone.size());
    for (const std::int64_t id : gone) {
        texts_.erase(id);
        refs_.erase(id); // a new entry given this ID later is another entry
        if (const int row = rowOfId(id); row >= 0)
            rows.push_back(row);
    }
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    const auto runs = runsOf(rows);
    const bool reset = runs.size() > kRunsBeforeReset;
    if (reset)
        beginResetModel();
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const auto [first, last] = *run;
        if (!reset)
            beginRemoveRows({}, first, last);
        ids_.erase(ids_.begin() + first, ids_.begin() + last + 1);
        prints_.erase(prints_.begin() + first, prints_.begin() + last + 1);
        if (!reset)
            endRemoveRows();
    }
    if (reset)
        endResetModel();
}

int DeckModel::dataVersion()
{
    return connection_.run([&] {
        auto query = connection_.prepare("PRAGMA data_version");
        query->executeStep();
        return query->getColumn(0).getInt();
    });
}

bool DeckModel::push(QUndoCommand* command)
{
    lastFailed_ = false;
    undo_.push(command); // runs the command; a failed one marks itself obsolete and is dropped
    return !lastFailed_;
}
