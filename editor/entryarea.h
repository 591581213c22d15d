// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPlainTextEdit;
class TypingLimit;

// The current entry's term and definition in full, line breaks kept, in two
// boxes that take edits, kept to the typing limit of the drill's boxes and
// stored exactly as typed. An edit is stored (store) when the box loses the
// focus or on Ctrl+Return; until then a new showing of the same entry leaves
// it alone. An edit the deck refused stays in its box, marked "Not saved",
// and the area stays on its entry until it is stored or discarded: it is
// tried again on Ctrl+Return, or once its text changes; Esc discards it.
class EntryArea : public QWidget {
    Q_OBJECT
public:
    explicit EntryArea(QWidget* parent = nullptr);

    // Shows the entry `id` (or nothing, for -1) with these texts.
    void showEntry(qint64 id, const QString& term, const QString& definition);
    qint64 entryId() const { return id_; }
    // The box of a column: 1 the term, 2 the definition.
    QPlainTextEdit* box(int column) const;
    // The text of a column's box, exactly as typed.
    QString text(int column) const;
    // Stores the edits of both boxes; false when one is left not saved. An
    // edit the deck refused before is tried again only when `again` is set
    // or its text has changed since: the reason is said once.
    bool commit(bool again = false);
    // Whether an edit is not stored yet.
    bool hasUnsavedEdit() const;
    // Takes in an edit of entry `id` the deck refused elsewhere (in a cell),
    // marked not saved, while the area shows that entry; false otherwise.
    bool keepRefused(qint64 id, int column, const QString& text);
    // Forgets the edits: the next showing shows the deck's texts.
    void discard();

    // Stores one edited text; false when the deck refused it (the model has
    // said why).
    std::function<bool(qint64 id, int column, const QString& text)> store;
    // Marks these pieces (start, length) of the box of `column`'s text.
    void markMatches(int column, const QList<std::pair<qsizetype, qsizetype>>& found);

signals:
    // Text pasted or typed into a box was cut to the limit.
    void textCut(int leftOut);
    // Esc dropped an edit the deck had refused: the area may show the
    // current entry again.
    void discarded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showUnsaved();

    QPlainTextEdit* term_;
    QPlainTextEdit* definition_;
    TypingLimit* termLimit_;
    TypingLimit* definitionLimit_;
    QLabel* unsaved_;
    qint64 id_ = -1;
    // Per column (1, 2): the text the deck last refused, while the box holds it.
    QString refused_[3];
    bool hasRefused_[3] = {};
    bool committing_ = false;
};
