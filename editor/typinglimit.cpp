#include "typinglimit.h"

#include "textlimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextCursor>

#include <algorithm>
#include <limits>

TypingLimit::TypingLimit(QLineEdit* box) : QObject(box), line_(box)
{
    box->setMaxLength(std::numeric_limits<int>::max()); // Qt's own limit would cut a longer stored text
    connect(box, &QLineEdit::textEdited, this, &TypingLimit::afterEdit);
}

TypingLimit::TypingLimit(QPlainTextEdit* box) : QObject(box), plain_(box)
{
    connect(box, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            afterEdit();
    });
}

void TypingLimit::show(const QString& text)
{
    QScopedValueRollback guard(showing_, true);
    if (line_)
        line_->setText(text);
    else
        plain_->setPlainText(text);
    lengthBefore_ = int(text.size());
}

void TypingLimit::afterEdit()
{
    const QString text = line_ ? line_->text() : plain_->toPlainText();
    const int cursor = line_ ? line_->cursorPosition() : plain_->textCursor().position();
    const auto [start, end] = excessBeforeCursor(text, cursor, std::max(kLongestTypedText, lengthBefore_));
    if (start != end) {
        QScopedValueRollback guard(showing_, true);
        if (line_) {
            line_->setText(QString(text).remove(start, end - start));
            line_->setCursorPosition(start);
        } else {
            QTextCursor range(plain_->document());
            range.setPosition(start);
            range.setPosition(end, QTextCursor::KeepAnchor);
            range.removeSelectedText();
        }
    }
    lengthBefore_ = int((line_ ? line_->text() : plain_->toPlainText()).size());
}
