#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

// Keeps what the user types or pastes into a box to kLongestTypedText UTF-16
// units, as the drill's Create screen does: what goes over is cut from the
// insertion, never splitting a surrogate pair. A longer text shown by
// show() stays whole, and an edit never cuts what was there before it.
class TypingLimit : public QObject {
    Q_OBJECT
public:
    explicit TypingLimit(QLineEdit* box);
    explicit TypingLimit(QPlainTextEdit* box);

    // Puts `text` into the box as it is, not as an edit.
    void show(const QString& text);

private:
    void afterEdit();

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
    int lengthBefore_ = 0;
    bool showing_ = false;
};
