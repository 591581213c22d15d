#pragma once

#include <QWidget>

class QPlainTextEdit;
class TypingLimit;

// The current entry's term and definition in full, line breaks kept, in two
// boxes that take edits. An edit is handed on (edited) when the box loses
// the focus or on Ctrl+Return; until then a new showing of the same entry
// leaves it alone.
class EntryArea : public QWidget {
    Q_OBJECT
public:
    explicit EntryArea(QWidget* parent = nullptr);

    // Shows the entry `id` (or nothing, for -1) with these texts.
    void showEntry(qint64 id, const QString& term, const QString& definition);
    qint64 entryId() const { return id_; }
    // The box of a column: 1 the term, 2 the definition.
    QPlainTextEdit* box(int column) const;
    // Hands on the edits of both boxes.
    void commit();
    // Marks these pieces (start, length) of the box of `column`'s text.
    void markMatches(int column, const QList<std::pair<qsizetype, qsizetype>>& found);

signals:
    void edited(qint64 id, int column, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* term_;
    QPlainTextEdit* definition_;
    TypingLimit* termLimit_;
    TypingLimit* definitionLimit_;
    qint64 id_ = -1;
};
