// SPDX-License-Identifier: MIT
#include "textbox.h"

#include <QTextOption>

#include <utility>

namespace {

// Longer texts are wrapped anywhere in a multi-line box.
constexpr int kLongText = 10000;

// Latin text needs no shaping, and skipping it makes laying out an entry's
// text several times cheaper; scripts that need shaping still get it.
void preferNoShaping(QWidget* box)
{
    QFont font = box->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    box->setFont(font);
}

} // namespace

void TextBox::keepTo(TypingLimit* limit)
{
    limit_ = limit;
    limit_->edited = [this](const QString& text) {
        if (edited)
            edited(text);
    };
}

LineTextBox::LineTextBox(QWidget* parent, int maxLength) : QLineEdit(parent)
{
    preferNoShaping(this);
    keepTo(new TypingLimit(this, maxLength));
}

MultiLineTextBox::MultiLineTextBox(QWidget* parent, int maxLength) : QPlainTextEdit(parent)
{
    preferNoShaping(this);
    setTabChangesFocus(true); // Tab moves on, as in every other box of the window
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    keepTo(new TypingLimit(this, maxLength));
}

void MultiLineTextBox::showText(const QString& text)
{
    // Laying the text out is the dearest part of showing a record, and Qt
    // does it at once even in a hidden box: a hidden box waits until shown.
    if (!isVisible()) {
        hiddenText_ = text;
        return;
    }
    hiddenText_.reset();
    // Qt's word wrap takes time growing with the square of a word's length: a
    // long field from the file wraps anywhere, so that it shows at once. A
    // change of mode lays the text out again, so it is made on an empty box.
    const auto wrap = text.size() > kLongText ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != wrap) {
        limit_->show({});
        setWordWrapMode(wrap);
    }
    limit_->show(text);
}

void MultiLineTextBox::showEvent(QShowEvent* event)
{
    if (const auto text = std::exchange(hiddenText_, std::nullopt))
        showText(*text);
    QPlainTextEdit::showEvent(event);
}
