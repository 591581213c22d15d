#pragma once

#include <QAbstractTableModel>
#include <QUndoStack>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace store {
class Connection;
class Error;
} // namespace store

// One entry: the texts as UTF-8, as the file has them.
struct DeckEntry {
    std::int64_t id = 0;
    std::string term;
    std::string definition;

    bool operator==(const DeckEntry&) const = default;
};

// The entries of a deck in ID order, as a table: ID (read only), Term and
// Definition.
//
// The model holds the entries' IDs, read in one query when it opens, and
// reads the texts of the rows the view shows as it asks for them: the texts
// of a large deck would take more memory than the rest of the window.
// Each change is written at once, in one transaction, and pushed onto the
// model's undo stack; the stack's undo and redo write again. A change made
// by another program (the drill storing an entry) is taken in by refresh(),
// which keeps the rows the view has selected or is editing.
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

    std::int64_t idAt(int row) const { return ids_[std::size_t(row)]; }
    DeckEntry entry(int row) const;
    // The row of the entry with `id`, or -1.
    int rowOfId(std::int64_t id) const;
    store::Connection& connection() const { return deck_; }

    // A new, empty entry at the end, with the next ID; its row, or -1.
    int addEntry();
    // Deletes the entries of `rows`, in one transaction.
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

    // The steps the undo commands take; each writes one transaction and
    // raises store::Error when it cannot.
    void writeText(std::int64_t id, int column, const std::string& text);
    // Stores `entries`, each under the next ID by the store's rule, or with
    // `keepIds` under its own ID where that is still free; each entry then
    // carries the ID it got.
    void writeEntries(std::vector<DeckEntry>& entries, bool keepIds);
    void deleteIds(const std::vector<std::int64_t>& ids);
    // Runs a step, reporting any error that escapes it through failed()
    // with its number; false then.
    bool attempt(const std::function<void()>& work);

signals:
    // A change could not be written; nothing was changed.
    void failed(int number, const QString& description);

private:
    std::vector<std::int64_t> readIds();
    void takeIn(const std::vector<std::int64_t>& fresh);
    void insertRow(std::int64_t id);
    int dataVersion();
    // Pushes `command` and reports whether its first run succeeded.
    bool push(class QUndoCommand* command);

    store::Connection& deck_;
    std::vector<std::int64_t> ids_; // in ascending order
    // The texts of the rows last shown, read again once the file changes.
    mutable std::unordered_map<std::int64_t, DeckEntry> texts_;
    QUndoStack undo_;
    int dataVersion_ = 0;
    bool lastFailed_ = false;
    bool lastRefreshed_ = false;
};
