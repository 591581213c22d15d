// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <utility>

// The most UTF-16 units a user may type into a term or a definition.
inline constexpr int kLongestTypedText = 255;

// The range [start, end) to cut from `text` so that it keeps to `limit`
// UTF-16 units, taken from the insertion that ends at `cursor`. Empty (start
// == end) when the text is within the limit. Never splits a surrogate pair.
std::pair<int, int> excessBeforeCursor(const QString& text, int cursor, int limit);
