#pragma once

#include "textlimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// A text box bound to a field of the data control's current record: it shows
// the field (showText, which is not an edit) and reports each edit the user
// makes by typing or pasting (edited). A length limit, counted in UTF-16
// units as Qt counts text, holds for typing and pasting alike: what goes over
// is cut from the text just inserted, never splitting a surrogate pair. A
// field longer than the limit is shown whole and does not grow; an edit never
// cuts what the box showed before it.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void showText(const QString& text) = 0;
    virtual QWidget* widget() = 0;

    std::function<void(const QString&)> edited;

protected:
    // Cuts what goes over the limit and reports the edit.
    void afterEdit();
    virtual void removeRange(int start, int end) = 0;
    virtual int cursor() const = 0;

    int maxLength_ = 0;    // 0: no limit
    int lengthBefore_ = 0; // the text's length before the user's next edit
};

class LineTextBox : public QLineEdit, public TextBox {
public:
    LineTextBox(QWidget* parent, int maxLength);
    QString text() const override { return QLineEdit::text(); }
    void showText(const QString& text) override
    {
        setText(text);
        setCursorPosition(0); // the start of a long term in sight, not its end
        lengthBefore_ = int(text.size());
    }
    QWidget* widget() override { return this; }

private:
    void removeRange(int start, int end) override;
    int cursor() const override { return cursorPosition(); }
};

class MultiLineTextBox : public QPlainTextEdit, public TextBox {
public:
    MultiLineTextBox(QWidget* parent, int maxLength);
    QString text() const override { return hiddenText_ ? *hiddenText_ : typedText(); }
    void showText(const QString& text) override;
    QWidget* widget() override { return this; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void removeRange(int start, int end) override;
    int cursor() const override { return textCursor().position(); }
    // The document's own text, every character as typed, except that its
    // line separators (U+2029 from Enter, U+2028 from Shift+Enter) become the
    // line feed the boxes show a line break with. toPlainText() would also
    // turn no-break spaces into plain ones.
    QString typedText() const;

    bool showing_ = false;
    // Text shown while the box is hidden: laid out only once it is shown.
    std::optional<QString> hiddenText_;
};
