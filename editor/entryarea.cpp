// SPDX-License-Identifier: MIT
#include "entryarea.h"

#include "textdelegate.h"
#include "typinglimit.h"

#include <QEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopedValueRollback>

#include <tuple>

EntryArea::EntryArea(QWidget* parent) : QWidget(parent)
{
    const auto makeBox = [this](const QString& name) {
        auto* box = new QPlainTextEdit(this);
        box->setAccessibleName(name);
        box->setTabChangesFocus(true);
        box->installEventFilter(this);
        box->setEnabled(false);
        return box;
    };
    term_ = makeBox(tr("Term"));
    definition_ = makeBox(tr("Definition"));
    termLimit_ = new TypingLimit(term_);
    definitionLimit_ = new TypingLimit(definition_);
    for (TypingLimit* limit : {termLimit_, definitionLimit_})
        limit->cut = [this](int leftOut) { emit textCut(leftOut); };
    unsaved_ = new QLabel(tr("Not saved: Ctrl+Return stores it again, Esc discards it"), this);
    unsaved_->setObjectName(u"notSaved"_qs);
    unsaved_->setAccessibleName(tr("Not saved"));
    unsaved_->setStyleSheet(u"color: #b00000; font-weight: bold"_qs);
    unsaved_->hide();

    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    const auto addRow = [&](const QString& caption, QPlainTextEdit* box) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        form->addRow(label, box);
    };
    addRow(tr("&Term:"), term_);
    addRow(tr("D&efinition:"), definition_);
    form->addRow(unsaved_);
}

void EntryArea::showEntry(qint64 id, const QString& term, const QString& definition)
{
    // An edit in progress stays, and an edit not saved keeps its entry here.
    if ((id == id_ && hasUnsavedEdit()) || hasRefused_[1] || hasRefused_[2])
        return;
    id_ = id;
    for (auto [box, limit, text] :
         {std::tuple(term_, termLimit_, term), std::tuple(definition_, definitionLimit_, definition)}) {
        limit->show(text);
        box->document()->setModified(false);
        box->setEnabled(id >= 0);
    }
}

QPlainTextEdit* EntryArea::box(int column) const
{
    return column == 1 ? term_ : definition_;
}

QString EntryArea::text(int column) const
{
    return (column == 1 ? termLimit_ : definitionLimit_)->text();
}

bool EntryArea::commit(bool again)
{
    // The deck's refusal shows a box, which takes the focus from this one:
    // that is not a second commit.
    if (committing_)
        return false;
    QScopedValueRollback guard(committing_, true);
    bool stored = true;
    for (int column : {1, 2}) {
        QPlainTextEdit* edit = box(column);
        if (!edit->document()->isModified() || id_ < 0)
            continue;
        const QString typed = text(column);
        if (!again && hasRefused_[column] && typed == refused_[column]) {
            stored = false; // refused as it stands: said once already
            continue;
        }
        // Marked stored only once the deck has it.
        if (store && !store(id_, column, typed)) {
            refused_[column] = typed;
            hasRefused_[column] = true;
            stored = false;
            continue;
        }
        hasRefused_[column] = false;
        edit->document()->setModified(false);
    }
    showUnsaved();
    return stored;
}

bool EntryArea::keepRefused(qint64 id, int column, const QString& text)
{
    if (id != id_ || id < 0 || hasRefused_[column])
        return false;
    (column == 1 ? termLimit_ : definitionLimit_)->show(text);
    box(column)->document()->setModified(true);
    refused_[column] = text;
    hasRefused_[column] = true;
    showUnsaved();
    return true;
}

bool EntryArea::hasUnsavedEdit() const
{
    return id_ >= 0 && (term_->document()->isModified() || definition_->document()->isModified());
}

void EntryArea::discard()
{
    for (int column : {1, 2}) {
        hasRefused_[column] = false;
        box(column)->document()->setModified(false);
    }
    showUnsaved();
}

void EntryArea::showUnsaved()
{
    unsaved_->setVisible(hasRefused_[1] || hasRefused_[2]);
}

void EntryArea::markMatches(int column, const QList<std::pair<qsizetype, qsizetype>>& found)
{
    QPlainTextEdit* edit = box(column);
    QList<QTextEdit::ExtraSelection> marks;
    for (const auto& [start, length] : found) {
        QTextEdit::ExtraSelection mark{QTextCursor(edit->document()), {}};
        mark.cursor.setPosition(int(start));
        mark.cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
        mark.format.setBackground(TextDelegate::matchColor());
        marks.append(mark);
    }
    edit->setExtraSelections(marks);
}

bool EntryArea::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut)
        commit();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() & Qt::ControlModifier) {
            commit(true);
            return true;
        }
        if (key->key() == Qt::Key_Escape && (hasRefused_[1] || hasRefused_[2])) {
            discard();
            emit discarded();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
