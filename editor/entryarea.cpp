#include "entryarea.h"

#include "textdelegate.h"
#include "typinglimit.h"

#include <QEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

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

    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    const auto addRow = [&](const QString& caption, QPlainTextEdit* box) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        form->addRow(label, box);
    };
    addRow(tr("&Term:"), term_);
    addRow(tr("D&efinition:"), definition_);
}

void EntryArea::showEntry(qint64 id, const QString& term, const QString& definition)
{
    if (id == id_ && (term_->document()->isModified() || definition_->document()->isModified()))
        return; // an edit in progress stays
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

void EntryArea::commit()
{
    for (int column : {1, 2}) {
        QPlainTextEdit* edit = box(column);
        if (!edit->document()->isModified())
            continue;
        edit->document()->setModified(false);
        if (id_ >= 0)
            emit edited(id_, column, edit->toPlainText());
    }
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
            commit();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
