#include "textdelegate.h"

#include "typinglimit.h"

#include <QLineEdit>

QWidget* TextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    if (!(index.flags() & Qt::ItemIsEditable))
        return nullptr; // the ID: nothing to edit, nothing to say
    if (index.data(Qt::EditRole).toString().contains(u'\n')) {
        emit editInArea(index);
        return nullptr;
    }
    auto* box = new QLineEdit(parent);
    box->setFrame(false);
    box->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
    auto* limit = new TypingLimit(box);
    limit->cut = [this](int leftOut) { emit textCut(leftOut); };
    return box;
}

void TextDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = static_cast<QLineEdit*>(editor);
    // Shown again when another program changes the file: an edit in progress stays.
    if (box->isModified())
        return;
    box->findChild<TypingLimit*>()->show(index.data(Qt::EditRole).toString());
}

void TextDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    const QString text = static_cast<QLineEdit*>(editor)->text();
    if (!model->setData(index, text))
        emit refused(index, text);
}
