// SPDX-License-Identifier: MIT
#include "textdelegate.h"

#include "searchfilter.h"
#include "typinglimit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

void TextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!search_)
        return;
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const auto found = search_->matchesIn(item.text, index.column());
    if (found.isEmpty())
        return;
    // Each match marked over the text as the style lays it out: from the
    // left, after the style's margin, up to where the text is cut.
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
    const QRect text =
        style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget).adjusted(margin, 0, -margin, 0);
    const QFontMetrics metrics(item.font);
    painter->save();
    painter->setClipRect(text);
    for (const auto& [start, length] : found) {
        const int x = item.direction == Qt::RightToLeft
                          ? text.right() - metrics.horizontalAdvance(item.text.left(start + length))
                          : text.left() + metrics.horizontalAdvance(item.text.left(start));
        painter->fillRect(QRect(x, text.top(), metrics.horizontalAdvance(item.text.mid(start, length)), text.height()),
                          matchColor());
    }
    painter->restore();
}

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
