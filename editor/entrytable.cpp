// SPDX-License-Identifier: MIT
#include "entrytable.h"

#include <QKeyEvent>

#include <algorithm>
#include <array>

namespace {

// The keys that move the cursor through the table.
constexpr std::array kMoves{Qt::Key_Up,  Qt::Key_Down,   Qt::Key_Left,     Qt::Key_Right, Qt::Key_Home,
                            Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Tab,   Qt::Key_Backtab};

constexpr QItemSelectionModel::SelectionFlags kOnlyThisRow =
    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;

} // namespace

void EntryTable::selectOnly(const QModelIndex& index)
{
    if (selectionModel())
        selectionModel()->setCurrentIndex(index, kOnlyThisRow);
}

QItemSelectionModel::SelectionFlags EntryTable::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // The window's own moves: the keys held for a shortcut (Ctrl of Ctrl+N)
    // are not the user extending the selection.
    if (!event)
        return kOnlyThisRow;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!(key->modifiers() & Qt::ShiftModifier) && std::ranges::count(kMoves, key->key()) > 0)
            return kOnlyThisRow;
    }
    return QTableView::selectionCommand(index, event);
}
