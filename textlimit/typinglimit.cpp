// SPDX-License-Identifier: MIT
#include "typinglimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>

QString typedText(const QPlainTextEdit& box)
{
    QString text = box.document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}

TypingLimit::TypingLimit(QLineEdit* box, int limit) : QObject(box), line_(box), limit_(limit)
{
    // Qt's own limit (32,767) would cut a longer text it shows.
    box->setMaxLength(std::numeric_limits<int>::max());
    connect(box, &QLineEdit::textEdited, this, [this] { afterEdit(); });
    // Qt's arrow keys can stop between the two units of a character outside
    // the BMP (an emoji after Devanagari text): the cursor goes on past the
    // character, the way it was moving.
    connect(box, &QLineEdit::cursorPositionChanged, this, [this](int from, int to) {
        const QString& text = line_->text();
        if (to > 0 && to < text.size() && text[to].isLowSurrogate() && text[to - 1].isHighSurrogate())
            line_->setCursorPosition(to > from ? to + 1 : to - 1);
    });
}

TypingLimit::TypingLimit(QPlainTextEdit* box, int limit) : QObject(box), plain_(box), limit_(limit)
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

QString TypingLimit::text() const
{
    return line_ ? line_->text() : typedText(*plain_);
}

int TypingLimit::cursor() const
{
    return line_ ? line_->cursorPosition() : plain_->textCursor().position();
}

void TypingLimit::afterEdit()
{
    // A longer text already shown keeps its length: only the insertion goes.
    const int limit = limit_ > 0 ? std::max(limit_, lengthBefore_) : 0;
    const auto [start, end] = excessBeforeCursor(text(), cursor(), limit);
    if (start != end) {
        QScopedValueRollback guard(showing_, true);
        if (line_) {
            line_->setText(line_->text().remove(start, end - start));
            line_->setCursorPosition(start);
        } else {
            QTextCursor range(plain_->document());
            range.setPosition(start);
            range.setPosition(end, QTextCursor::KeepAnchor);
            range.removeSelectedText();
        }
    }
    const QString now = text();
    lengthBefore_ = int(now.size());
    if (start != end && cut)
        cut(end - start);
    if (edited)
        edited(now);
}
