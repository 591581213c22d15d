// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

class SearchFilter;

// Edits a term or a definition in its cell, in a line box that keeps typed
// text to the Create screen's limit. A text with line breaks does not fit a
// line box: its edit goes to the entry area instead (editInArea). Shows
// where a cell holds the search (`search`, when set).
class TextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TextDelegate(const SearchFilter* search, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), search_(search)
    {
    }

    // Under a match, in the cells and the entry area: a marker's yellow, the text showing through.
    static QColor matchColor() { return {255, 200, 0, 110}; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void editInArea(const QModelIndex& index) const;
    // The deck refused the cell's edit (the model has said why): its text
    // must not go with the cell's editor.
    void refused(const QModelIndex& index, const QString& text) const;
    // Text pasted or typed into a cell was cut to the limit.
    void textCut(int leftOut) const;

private:
    const SearchFilter* search_;
};
