// SPDX-License-Identifier: MIT
#pragma once

#include "deck.h"

#include <QAbstractTableModel>
#include <QUndoStack>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace store {
class Connection;
class Error;
} // namespace store

// One entry: the texts as UTF-8, as the file has them.
using DeckEntry = store::Entry;

// An entry as the undo commands know it: its ID follows the entry when an
// undone delete puts it back under another one. Shared by every command
// that acts on the same entry.
struct EntryRef {
    std::int64_t id = 0;
};
using EntryRefs = std::vector<std::shared_ptr<EntryRef>>;

// The entries of a deck in ID order, as a table: ID (read only), Term and
// Definition.
//
// The model holds the entries' IDs, read in one query when it opens, and
// reads the texts of the rows the view shows as it asks for them: the texts
// of a large deck would take more memory than the rest of the window.
// Each change is written at once, in one transaction, and pushed onto the
// model's undo stack; the stack's undo and redo write again, each only while
// its entries still hold what the command last saw (store::Deck's
// conditional writes). A change made by another program (the drill storing
// an entry) is taken in by refresh(), which tells the views only of the rows
// that changed, and keeps the rows they have selected or are editing.
//
// A new entry (addEntry) is a row of its own at the end, stored only once
// one of its texts is not empty; until then dropPending() takes it away.
class DeckModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IdColumn, TermColumn, DefinitionColumn, ColumnCount };

    // Reads every entry of `deck`. Raises store::Error when the file is not
    // a deck the program can open.
    explicit DeckModel(store::Connection& deck, QObject* parent = nullptr);
    ~DeckModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edit of a term or definition: written at once and undoable.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The ID of a row; kPendingId for the new entry not yet stored.
    std::int64_t idAt(int row) const { return isPending(row) ? kPendingId : ids_[std::size_t(row)]; }
    static constexpr std::int64_t kPendingId = std::numeric_limits<std::int64_t>::min();
    bool isPending(int row) const { return pending_ && row == int(ids_.size()); }
    bool hasPending() const { return pending_; }
    // The IDs of the stored rows, ascending.
    const std::vector<std::int64_t>& ids() const { return ids_; }
    DeckEntry entry(int row) const;
    // The row of the entry with `id`, or -1.
    int rowOfId(std::int64_t id) const;
    store::Connection& connection() const { return connection_; }

    // A new, empty row at the end, stored once a text is typed into it; its
    // row, or -1 when the deck has no room for another entry (reported).
    int addEntry();
    // Takes away the new row while nothing is typed into it.
    void dropPending();
    // Deletes the entries of `rows`, in one transaction; 100 or more only
    // once a copy of the deck is written beside it (Restart's backup).
    void removeEntries(const std::vector<int>& rows);
    QUndoStack* undoStack() { return &undo_; }

    // Takes in what another program has changed in the file since the last
    // look; true when anything had changed.
    bool refresh();
    // refresh() after a write through this model's own connection, which
    // the file's data version does not count as a change.
    bool reload();
    // Returns the file to the rollback journal once changes were written, so
    // that the file alone holds them while the editor is idle.
    bool settle() noexcept;

    // The steps the undo commands take. Each writes one transaction, and
    // raises store::Error when it cannot, writing nothing.
    enum class Step { Do, Undo, Redo };
    std::shared_ptr<EntryRef> refFor(std::int64_t id);
    // Stores a new entry; its ID.
    std::int64_t writeNew(const std::string& term, const std::string& definition);
    // Replaces `before` of the entry `ref` with `after`.
    void writeTexts(const EntryRef& ref, const DeckEntry& before, const DeckEntry& after);
    // Puts `entries` back, each under the ID of its ref where that is free,
    // else under a new one, which the ref then follows.
    void writeBack(const EntryRefs& refs, std::vector<DeckEntry> entries);
    // Deletes `entries` (their IDs those of `refs`), as they are.
    void writeDelete(const EntryRefs& refs, std::vector<DeckEntry> entries);
    // Runs a step, reporting any error that escapes it through failed()
    // with its number; false then. An undo or redo refused because the entry changed elsewhere is said
    // through said() instead.
    bool attempt(const std::function<void()>& work, Step step = Step::Do);

signals:
    // A change could not be written; nothing was changed.
    void failed(int number, const QString& description);
    // A line for the status bar.
    void said(const QString& message);

private:
    void readFingerprints(std::vector<std::int64_t>& ids, std::vector<std::uint64_t>& prints);
    void takeIn(const std::vector<std::int64_t>& fresh, const std::vector<std::uint64_t>& prints);
    void insertRows(std::vector<std::int64_t> added, const std::vector<std::uint64_t>& prints);
    void removeRows(const std::vector<std::int64_t>& gone);
    int dataVersion();
    // Pushes `command` and reports whether its first run succeeded.
    bool push(class QUndoCommand* command);

    store::Connection& connection_;
    mutable store::Deck deck_;          // read by the const data()
    std::vector<std::int64_t> ids_;     // in ascending order
    std::vector<std::uint64_t> prints_; // the fingerprint of each entry's texts, as ids_
    bool pending_ = false;              // the new row after the last entry
    // The texts of the rows last shown, read again once the file changes.
    mutable std::unordered_map<std::int64_t, DeckEntry> texts_;
    std::unordered_map<std::int64_t, std::weak_ptr<EntryRef>> refs_;
    QUndoStack undo_;
    int dataVersion_ = 0;
    bool lastFailed_ = false;
    bool lastRefreshed_ = false;
};
