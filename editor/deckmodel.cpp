#include "deckmodel.h"

#include "connection.h"
#include "entrycommands.h"
#include "error.h"
#include "errorreport.h"
#include "newentry.h"
#include "value.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// A table cell shows the start of a text; the edit area shows it whole.
constexpr std::size_t kShownBytes = 300;
// Texts kept for rows shown; a screenful is a few dozen.
constexpr std::size_t kKeptTexts = 1024;

std::string DeckEntry::*const kTextOf[] = {nullptr, &DeckEntry::term, &DeckEntry::definition};
constexpr const char* kUpdateSql[] = {
    nullptr,
    "UPDATE Questions SET Question = ?2 WHERE ID = ?1",
    "UPDATE Questions SET Description = ?2 WHERE ID = ?1",
};

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

} // namespace

DeckModel::DeckModel(store::Connection& deck, QObject* parent) : QAbstractTableModel(parent), deck_(deck)
{
    dataVersion_ = dataVersion();
    ids_ = readIds();
    // A deck replaced by rename is read afresh: every row.
    deck_.afterReopen = [this] { dataVersion_ = -1; };
}

DeckModel::~DeckModel()
{
    deck_.afterReopen = nullptr;
}

int DeckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ids_.size());
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
    std::string before;
    if (!attempt([&] { before = entry(index.row()).*kTextOf[index.column()]; }))
        return false;
    if (text == before)
        return true;
    return push(new EditTextCommand(*this, idAt(index.row()), index.column(), before, text));
}

DeckEntry DeckModel::entry(int row) const
{
    const std::int64_t id = idAt(row);
    if (const auto kept = texts_.find(id); kept != texts_.end())
        return kept->second;
    DeckEntry read{id, {}, {}};
    deck_.run([&] {
        auto query = deck_.prepare("SELECT Question, Description FROM Questions WHERE ID = ?1");
        query->bind(1, id);
        if (query->executeStep()) {
            read.term = store::toText(store::columnValue(query->getColumn(0)));
            read.definition = store::toText(store::columnValue(query->getColumn(1)));
        }
    });
    if (texts_.size() >= kKeptTexts)
        texts_.clear();
    texts_.emplace(id, read);
    return read;
}

int DeckModel::rowOfId(std::int64_t id) const
{
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    return at != ids_.end() && *at == id ? int(at - ids_.begin()) : -1;
}

int DeckModel::addEntry()
{
    auto* command = new AddEntryCommand(*this);
    if (!push(command))
        return -1; // the command is gone
    return rowOfId(command->entryId());
}

void DeckModel::removeEntries(const std::vector<int>& rows)
{
    std::vector<DeckEntry> gone;
    const bool read = attempt([&] {
        for (const int row : rows)
            if (row >= 0 && row < rowCount())
                gone.push_back(entry(row));
    });
    if (read && !gone.empty())
        push(new DeleteEntriesCommand(*this, std::move(gone)));
}

bool DeckModel::settle() noexcept
{
    return deck_.leaveWal();
}

bool DeckModel::refresh()
{
    return attempt([&] {
               deck_.reopenIfMoved();
               const int version = dataVersion();
               if (version == dataVersion_)
                   return;
               dataVersion_ = version; // read first: a change made while reading shows next time
               takeIn(readIds());
               lastRefreshed_ = true;
           })
           && std::exchange(lastRefreshed_, false);
}

bool DeckModel::reload()
{
    dataVersion_ = -1; // no version the file reports
    return refresh();
}

void DeckModel::writeText(std::int64_t id, int column, const std::string& text)
{
    int changed = 0;
    deck_.write([&] {
        auto update = deck_.prepare(kUpdateSql[column]);
        update->bind(1, id);
        update->bind(2, text);
        changed = update->exec();
    });
    if (changed == 0) {
        // Built step by step: GCC 12 at -O3 warns falsely (-Wrestrict) of "text" + std::string.
        std::string message = "The entry with ID ";
        message += std::to_string(id);
        message += " is no longer in the deck";
        throw store::Error(store::ErrorCode::NoCurrentRecord, message);
    }
    texts_.erase(id);
    if (const int row = rowOfId(id); row >= 0)
        emit dataChanged(index(row, column), index(row, column));
}

void DeckModel::writeEntries(std::vector<DeckEntry>& entries, bool keepIds)
{
    deck_.write([&] {
        SQLite::Transaction transaction(deck_.db(), SQLite::TransactionBehavior::IMMEDIATE);
        for (DeckEntry& entry : entries) {
            if (keepIds) {
                // Back under its own ID, unless another program has taken it meanwhile.
                auto insert =
                    deck_.prepare("INSERT INTO Questions (ID, Question, Description) "
                                  "SELECT ?1, ?2, ?3 WHERE NOT EXISTS (SELECT 1 FROM Questions WHERE ID = ?1)");
                insert->bind(1, entry.id);
                insert->bind(2, entry.term);
                insert->bind(3, entry.definition);
                if (insert->exec() == 1)
                    continue;
            }
            // A new ID by the store's rule, as the Create screen stores an entry.
            store::insertEntry(deck_, entry.term, entry.definition);
            entry.id = deck_.db().getLastInsertRowid();
        }
        transaction.commit();
    });
    for (const DeckEntry& entry : entries)
        insertRow(entry.id);
}

void DeckModel::deleteIds(const std::vector<std::int64_t>& ids)
{
    deck_.write([&] {
        SQLite::Transaction transaction(deck_.db(), SQLite::TransactionBehavior::IMMEDIATE);
        auto remove = deck_.prepare("DELETE FROM Questions WHERE ID = ?1");
        for (const std::int64_t id : ids) {
            remove->bind(1, id);
            remove->exec();
            remove->reset();
        }
        transaction.commit();
    });
    for (const std::int64_t id : ids) {
        texts_.erase(id);
        const int row = rowOfId(id);
        if (row < 0)
            continue;
        beginRemoveRows({}, row, row);
        ids_.erase(ids_.begin() + row);
        endRemoveRows();
    }
}

bool DeckModel::attempt(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (...) {
        // Whatever escapes: a store::Error, std::system_error from a second
        // thread, bad_alloc. No exception crosses Qt's event loop.
        lastFailed_ = true;
        const ErrorReport error = currentError();
        emit failed(error.number, error.description);
        return false;
    }
}

std::vector<std::int64_t> DeckModel::readIds()
{
    deck_.checkTable();
    return deck_.run([&] {
        SQLite::Statement query(deck_.db(), "SELECT ID FROM Questions ORDER BY ID");
        std::vector<std::int64_t> ids;
        while (query.executeStep())
            ids.push_back(query.getColumn(0).getInt64());
        return ids;
    });
}

void DeckModel::takeIn(const std::vector<std::int64_t>& fresh)
{
    // Both lists are in ascending order. Rows whose entry is gone go first,
    // in runs from the end; then every row left is in `fresh`, and one walk
    // inserts the new entries. The view keeps its selection and any editor
    // open on a row that stays. Any text may have changed: all are read again.
    const auto present = [&](std::int64_t id) { return std::binary_search(fresh.begin(), fresh.end(), id); };
    for (int last = rowCount() - 1; last >= 0;) {
        if (present(ids_[std::size_t(last)])) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !present(ids_[std::size_t(first - 1)]))
            --first;
        beginRemoveRows({}, first, last);
        ids_.erase(ids_.begin() + first, ids_.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }
    std::size_t row = 0;
    for (std::size_t i = 0; i < fresh.size();) {
        if (row < ids_.size() && ids_[row] == fresh[i]) {
            ++row;
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < fresh.size() && (row == ids_.size() || fresh[end] < ids_[row]))
            ++end;
        beginInsertRows({}, int(row), int(row + (end - i)) - 1);
        ids_.insert(ids_.begin() + std::ptrdiff_t(row), fresh.begin() + std::ptrdiff_t(i),
                    fresh.begin() + std::ptrdiff_t(end));
        endInsertRows();
        row += end - i;
        i = end;
    }
    texts_.clear();
    if (!ids_.empty())
        emit dataChanged(index(0, TermColumn), index(rowCount() - 1, DefinitionColumn));
}

void DeckModel::insertRow(std::int64_t id)
{
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    const int row = int(at - ids_.begin());
    beginInsertRows({}, row, row);
    ids_.insert(at, id);
    endInsertRows();
}

int DeckModel::dataVersion()
{
    return deck_.run([&] {
        auto query = deck_.prepare("PRAGMA data_version");
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
