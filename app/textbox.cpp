#include "textbox.h"

#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <limits>
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

void TextBox::afterEdit()
{
    // A longer field already shown keeps its length: only the insertion goes.
    const int limit = maxLength_ > 0 ? std::max(maxLength_, lengthBefore_) : 0;
    const auto [start, end] = excessBeforeCursor(text(), cursor(), limit);
    if (start != end)
        removeRange(start, end);
    lengthBefore_ = int(text().size());
    if (edited)
        edited(text());
}

LineTextBox::LineTextBox(QWidget* parent, int maxLength) : QLineEdit(parent)
{
    maxLength_ = maxLength;
    // Qt's own limit (32,767) would cut a longer field it shows; the limit on
    // typing and pasting is ours, in afterEdit.
    setMaxLength(std::numeric_limits<int>::max());
    preferNoShaping(this);
    connect(this, &QLineEdit::textEdited, this, [this] { afterEdit(); });
    // Qt's arrow keys can stop between the two units of a character outside
    // the BMP (an emoji after Devanagari text), where typing would split it:
    // the cursor goes on past the character, the way it was moving.
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int from, int to) {
        const QString& text = QLineEdit::text();
        if (to > 0 && to < text.size() && text[to].isLowSurrogate() && text[to - 1].isHighSurrogate())
            setCursorPosition(to > from ? to + 1 : to - 1);
    });
}

void LineTextBox::removeRange(int start, int end)
{
    QString clipped = QLineEdit::text();
    clipped.remove(start, end - start);
    setText(clipped);
    setCursorPosition(start);
}

MultiLineTextBox::MultiLineTextBox(QWidget* parent, int maxLength) : QPlainTextEdit(parent)
{
    maxLength_ = maxLength;
    preferNoShaping(this);
    setTabChangesFocus(true); // Tab moves on, as in every other box of the window
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            afterEdit();
    });
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
    QScopedValueRollback guard(showing_, true);
    // Qt's word wrap takes time growing with the square of a word's length: a
    // long field from the file wraps anywhere, so that it shows at once. A
    // change of mode lays the text out again, so it is made on an empty box.
    const auto wrap = text.size() > kLongText ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != wrap) {
        clear();
        setWordWrapMode(wrap);
    }
    setPlainText(text);
    lengthBefore_ = int(text.size());
}

QString MultiLineTextBox::typedText() const
{
    QString text = document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}

void MultiLineTextBox::showEvent(QShowEvent* event)
{
    if (const auto text = std::exchange(hiddenText_, std::nullopt))
        showText(*text);
    QPlainTextEdit::showEvent(event);
}

void MultiLineTextBox::removeRange(int start, int end)
{
    QScopedValueRollback guard(showing_, true);
    QTextCursor range(document());
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    range.removeSelectedText();
}
