// SPDX-License-Identifier: MIT
#include "layout.h"

#include <QAbstractButton>
#include <QFont>
#include <QFontMetricsF>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace layout {

namespace {

int pixels(int twips, double scale)
{
    return int(std::lround(twips * scale / kTwipsPerPixel));
}

// Whether the caption shows whole: the text within the area the style draws
// it in. (The style's size hint adds margins for the focus frame, which
// clip nothing.)
bool captionFits(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool push = qobject_cast<const QPushButton*>(button) != nullptr;
    const QRect contents = button->style()->subElementRect(
        push ? QStyle::SE_PushButtonContents : QStyle::SE_RadioButtonContents, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return text.width() <= contents.width() && text.height() <= contents.height();
}

bool overlapsRows(const QRect& a, const QRect& b)
{
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

bool overlapsColumns(const QRect& a, const QRect& b)
{
    return a.left() <= b.right() && b.left() <= a.right();
}

const Move* moveOf(const QWidget* widget)
{
    for (const auto& move : kMoves) {
        if (widget->objectName() == QLatin1String(move.moves))
            return &move;
    }
    return nullptr;
}

// `button` at the size its style asks for, short of the edges of its
// container's inner area and of every other control there; a control that
// moves for it goes right first.
void grow(QAbstractButton* button)
{
    QWidget* container = button->parentWidget();
    const QRect inner = container->contentsRect();
    const QRect place = button->geometry();
    const QSize wanted = button->sizeHint().expandedTo(place.size());
    const QRect want(place.topLeft(), wanted);

    int right = inner.right();
    int bottom = inner.bottom();
    for (auto* other : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == button || other->objectName().isEmpty())
            continue;
        QRect there = other->geometry();
        if (const Move* move = moveOf(other); move && button->objectName() == QLatin1String(move->after)) {
            const int gap = there.left() - (place.right() + 1);
            if (there.left() < want.right() + 1 + gap) {
                there.moveLeft(std::min(want.right() + 1 + gap, inner.right() + 1 - there.width()));
                other->setGeometry(there);
            }
        }
        if (there.left() > place.right() && overlapsRows(want, there))
            right = std::min(right, there.left() - 1);
        if (there.top() > place.bottom() && overlapsColumns(want, there))
            bottom = std::min(bottom, there.top() - 1);
    }
    button->setGeometry(QRect(place.topLeft(), QPoint(std::min(want.right(), right), std::min(want.bottom(), bottom))));
}

} // namespace

double scaleFor(const QFont& font)
{
    QFont design = font;
    design.setPointSizeF(kDesignPointSize);
    return std::max(1.0, QFontMetricsF(font).height() / QFontMetricsF(design).height());
}

QRect toPixels(const QRect& twips, double scale)
{
    const int left = pixels(twips.x(), scale);
    const int top = pixels(twips.y(), scale);
    return {left, top, pixels(twips.x() + twips.width(), scale) - left,
            pixels(twips.y() + twips.height(), scale) - top};
}

void fitCaptions(QWidget* window)
{
    for (const auto& control : kControls) {
        auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(control.name));
        if (button && !captionFits(button))
            grow(button);
    }
}

} // namespace layout
