// SPDX-License-Identifier: MIT
#include "textlimit.h"

#include <algorithm>

std::pair<int, int> excessBeforeCursor(const QString& text, int cursor, int limit)
{
    const int excess = int(text.size()) - limit;
    if (limit <= 0 || excess <= 0)
        return {cursor, cursor};
    int start = std::max(0, cursor - excess);
    // Never keep half of a character made of two UTF-16 units.
    if (start > 0 && start < text.size() && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
        --start;
    return {start, cursor};
}
