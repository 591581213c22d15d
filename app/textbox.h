// SPDX-License-Identifier: MIT
#pragma once

#include "typinglimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// A text box bound to a field of the data control's current record: it shows
// the field (showText, which is not an edit) and reports each edit the user
// makes by typing or pasting (edited), keeping to a length limit by the
// program's one TypingLimit.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void showText(const QString& text) = 0;
    virtual QWidget* widget() = 0;

    std::function<void(const QString&)> edited;

protected:
    // Reports each edit the limit lets through.
    void keepTo(TypingLimit* limit);

    TypingLimit* limit_ = nullptr;
};

class LineTextBox : public QLineEdit, public TextBox {
public:
    LineTextBox(QWidget* parent, int maxLength);
    QString text() const override { return QLineEdit::text(); }
    void showText(const QString& text) override
    {
        limit_->show(text);
        setCursorPosition(0); // the start of a long term in sight, not its end
    }
    QWidget* widget() override { return this; }
};

class MultiLineTextBox : public QPlainTextEdit, public TextBox {
public:
    MultiLineTextBox(QWidget* parent, int maxLength);
    QString text() const override { return hiddenText_ ? *hiddenText_ : limit_->text(); }
    void showText(const QString& text) override;
    QWidget* widget() override { return this; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Text shown while the box is hidden: laid out only once it is shown.
    std::optional<QString> hiddenText_;
};
