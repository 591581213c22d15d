#include "layout.h"

#include <cstring>

namespace layout {

QRect placeOf(const Control& control)
{
    for (const auto& a : kAdjustments) {
        if (std::strcmp(a.name, control.name) == 0)
            return {a.left, control.top, a.width, a.height};
    }
    return {control.left, control.top, control.width, control.height};
}

QRect toPixels(const QRect& twips)
{
    return {twips.x() / kTwipsPerPixel, twips.y() / kTwipsPerPixel, twips.width() / kTwipsPerPixel, twips.height() / kTwipsPerPixel};
}

} // namespace layout
