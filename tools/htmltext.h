// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace deck {

// What turning HTML into plain text left out, counted for the summary.
struct DroppedMedia {
    long images = 0; // <img> elements
    long sounds = 0; // [sound:…] references
};

// A field with more tags than this is not converted: the HTML parser's time
// grows with the square of the nesting, and no flashcard needs so many.
inline constexpr long kMostHtmlTags = 2000;

// The plain text a browser would show for a field of HTML (UTF-8), as a
// multi-line text box holds it: tags removed; <br> a line break; a block
// (<div>, <p>, <li>…) begins a new line only where text comes before it on
// the same line, so consecutive block edges never make an empty line;
// whitespace collapsed as HTML collapses it, except inside <pre>; every named
// and numeric character reference decoded, &nbsp; to U+00A0 and kept; line
// breaks "\n", none at either end. Images and [sound:…] references are
// dropped and counted in `dropped`. Nothing when the field holds more than
// kMostHtmlTags tags.
std::optional<std::string> htmlToText(std::string_view html, DroppedMedia& dropped);

} // namespace deck
