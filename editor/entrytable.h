// SPDX-License-Identifier: MIT
#pragma once

#include <QTableView>

// The table of entries, whose selection is what the user sees: a move by key
// without Shift, and a move the window makes (a new entry, a search, the row
// after a delete), select the one row the cursor lands on. Only Shift (a
// range), Ctrl with a click or Space (one row more or less) and Ctrl+A extend
// the selection. A plain table view would keep the old rows selected, off
// screen, after Ctrl+Home or Ctrl+End, or add the new row to them after Ctrl+N.
class EntryTable : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

    // Makes the row of `index` current and the only one selected.
    void selectOnly(const QModelIndex& index);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
};
