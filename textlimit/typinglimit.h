// SPDX-License-Identifier: MIT
#pragma once

#include "textlimit.h"

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QPlainTextEdit;

// The text of a box exactly as typed: a no-break space stays one, and the
// line separators of a multi-line box (U+2029 from Enter, U+2028 from
// Shift+Enter) become the line feed it shows a line break with.
// QPlainTextEdit::toPlainText() would turn no-break spaces into plain ones.
QString typedText(const QPlainTextEdit& box);

// The one typing limit of the program's text boxes, in the drill and in the
// deck editor alike: what the user types or pastes is kept to `limit` UTF-16
// units (0: no limit), counted as Qt counts text. What goes over is cut from
// the insertion, never splitting a surrogate pair; a longer text shown by
// show() stays whole and does not grow, and an edit never cuts what was there
// before it. The box's cursor never rests between the two units of a
// character outside the BMP, where typing would split it.
class TypingLimit : public QObject {
    Q_OBJECT
public:
    TypingLimit(QLineEdit* box, int limit = kLongestTypedText);
    TypingLimit(QPlainTextEdit* box, int limit = kLongestTypedText);

    // Puts `text` into the box as it is, not as an edit.
    void show(const QString& text);
    // The box's text, exactly as typed.
    QString text() const;

    // After each edit by the user, with the text it left.
    std::function<void(const QString& text)> edited;
    // After an insertion was cut to the limit, with the units left out.
    std::function<void(int leftOut)> cut;

private:
    void afterEdit();
    int cursor() const;

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
    int limit_ = 0;
    int lengthBefore_ = 0; // the text's length before the user's next edit
    bool showing_ = false;
};
