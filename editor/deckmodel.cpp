#include "deckmodel.h"

#include "connection.h"
#include "entrycommands.h"
#include "error.h"
#include "fieldtext.h"
#include "recordset.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <functional>
#include <iterator>

namespace {

// A table cell shows the start of a text; the edit area shows it whole.
constexpr std::size_t kShownBytes = 300;

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

DeckModel::DeckModel(store::Connection& deck, QObject* parent)
    : QAbstractTableModel(parent), deck_(deck)
{
    dataVersion_ = dataVersion();
    rows_ = readAll();
}

int DeckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int DeckModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeckModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const DeckEntry& row = entry(index.row());
    if (index.column() == IdColumn) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return qlonglong(row.id);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    const std::string& text = row.*kTextOf[index.column()];
    if (role == Qt::DisplayRole)
        return cellText(text);
    if (role == Qt::EditRole)
        return QString::fromStdString(text);
    return {};
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
    const DeckEntry& row = entry(index.row());
    const std::string text = value.toString().toStdString();
    const std::string& before = row.*kTextOf[index.column()];
    if (text == before)
        return true;
    return push(new EditTextCommand(*this, row.id, index.column(), before, text));
}

int DeckModel::rowOfId(std::int64_t id) const
{
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), id, [](const DeckEntry& e, std::int64_t v) { return e.id < v; });
    return at != rows_.end() && at->id == id ? int(at - rows_.begin()) : -1;
}

bool DeckModel::matches(int row, const TextMatch& match) const
{
    const DeckEntry& e = entry(row);
    return match.in(e.term, e.ascii) || match.in(e.definition, e.ascii);
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
    for (const int row : rows)
        if (row >= 0 && row < rowCount())
            gone.push_back(entry(row));
    if (!gone.empty())
        push(new DeleteEntriesCommand(*this, std::move(gone)));
}

bool DeckModel::refresh()
{
    try {
        const int version = dataVersion();
        if (version == dataVersion_)
            return false;
        dataVersion_ = version; // read first: a change made while reading shows next time
        takeIn(readAll());
        return true;
    } catch (const store::Error& e) {
        emit failed(e.number(), QString::fromStdString(e.description()));
        return false;
    }
}

void DeckModel::writeText(std::int64_t id, int column, const std::string& text)
{
    deck_.beforeWrite();
    const int changed = deck_.run([&] {
        auto update = deck_.prepare(kUpdateSql[column]);
        update->bind(1, id);
        update->bind(2, text);
        return update->exec();
    });
    if (changed == 0)
        throw store::Error(store::ErrorCode::NoCurrentRecord, "The entry with ID " + std::to_string(id) + " is no longer in the deck");
    const int row = rowOfId(id);
    if (row < 0)
        return;
    DeckEntry& e = rows_[std::size_t(row)];
    e.*kTextOf[column] = text;
    e.ascii = isAscii(e.term) && isAscii(e.definition);
    emit dataChanged(index(row, column), index(row, column));
}

void DeckModel::writeEntries(std::vector<DeckEntry>& entries, bool keepIds)
{
    deck_.beforeWrite();
    deck_.run([&] {
        SQLite::Transaction transaction(deck_.db(), SQLite::TransactionBehavior::IMMEDIATE);
        for (DeckEntry& entry : entries) {
            if (keepIds) {
                // Back under its own ID, unless another program has taken it meanwhile.
                auto insert = deck_.prepare("INSERT INTO Questions (ID, Question, Description) "
                                            "SELECT ?1, ?2, ?3 WHERE NOT EXISTS (SELECT 1 FROM Questions WHERE ID = ?1)");
                insert->bind(1, entry.id);
                insert->bind(2, entry.term);
                insert->bind(3, entry.definition);
                if (insert->exec() == 1)
                    continue;
            }
            // A new ID by the store's rule, as the Create screen stores an entry.
            static const store::RecordSetHooks noHooks;
            store::RecordSet set(deck_, store::RecordSource{}, noHooks);
            set.AddNew();
            set.setPendingField(&store::Record::question, entry.term);
            set.setPendingField(&store::Record::description, entry.definition);
            set.Update();
            entry.id = deck_.db().getLastInsertRowid();
        }
        transaction.commit();
    });
    for (DeckEntry entry : entries) {
        entry.ascii = isAscii(entry.term) && isAscii(entry.definition);
        insertRow(std::move(entry));
    }
}

void DeckModel::deleteIds(const std::vector<std::int64_t>& ids)
{
    deck_.beforeWrite();
    deck_.run([&] {
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
        const int row = rowOfId(id);
        if (row < 0)
            continue;
        beginRemoveRows({}, row, row);
        rows_.erase(rows_.begin() + row);
        endRemoveRows();
    }
}

bool DeckModel::attempt(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const store::Error& e) {
        lastFailed_ = true;
        emit failed(e.number(), QString::fromStdString(e.description()));
        return false;
    }
}

std::vector<DeckEntry> DeckModel::readAll()
{
    deck_.checkTable();
    return deck_.run([&] {
        SQLite::Statement query(deck_.db(), "SELECT ID, Question, Description FROM Questions ORDER BY ID");
        std::vector<DeckEntry> rows;
        while (query.executeStep()) {
            DeckEntry e{query.getColumn(0).getInt64(), deck::fieldText(query.getColumn(1)), deck::fieldText(query.getColumn(2))};
            e.ascii = isAscii(e.term) && isAscii(e.definition);
            rows.push_back(std::move(e));
        }
        return rows;
    });
}

void DeckModel::takeIn(std::vector<DeckEntry> fresh)
{
    // Both lists are in ID order. Rows whose entry is gone go first, in
    // runs from the end; then every row left is in `fresh`, and one walk
    // inserts the new entries and updates the changed ones. The view keeps
    // its selection and any editor open on a row that stays.
    const auto present = [&](std::int64_t id) {
        return std::binary_search(fresh.begin(), fresh.end(), id, [](const auto& a, const auto& b) {
            if constexpr (std::is_same_v<std::decay_t<decltype(a)>, DeckEntry>)
                return a.id < b;
            else
                return a < b.id;
        });
    };
    for (int last = rowCount() - 1; last >= 0;) {
        if (present(rows_[std::size_t(last)].id)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !present(rows_[std::size_t(first - 1)].id))
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }
    std::size_t row = 0;
    for (std::size_t i = 0; i < fresh.size();) {
        if (row < rows_.size() && rows_[row].id == fresh[i].id) {
            if (!(rows_[row] == fresh[i])) {
                rows_[row] = std::move(fresh[i]);
                emit dataChanged(index(int(row), 0), index(int(row), ColumnCount - 1));
            }
            ++row;
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < fresh.size() && (row == rows_.size() || fresh[end].id < rows_[row].id))
            ++end;
        beginInsertRows({}, int(row), int(row + (end - i)) - 1);
        rows_.insert(rows_.begin() + std::ptrdiff_t(row), std::make_move_iterator(fresh.begin() + std::ptrdiff_t(i)),
                     std::make_move_iterator(fresh.begin() + std::ptrdiff_t(end)));
        endInsertRows();
        row += end - i;
        i = end;
    }
}

void DeckModel::insertRow(DeckEntry entry)
{
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), entry.id, [](const DeckEntry& e, std::int64_t v) { return e.id < v; });
    const int row = int(at - rows_.begin());
    beginInsertRows({}, row, row);
    rows_.insert(at, std::move(entry));
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
