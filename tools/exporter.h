// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"

#include <string>

namespace store {
class Connection;
}

namespace deck {

// Every entry of the deck, in ascending ID order, as CSV or tab-separated
// text (no header line), ready to be written out whole.
//
// CSV holds any text, so importing it into an empty deck gives back the same
// terms and definitions. Tab-separated text cannot hold a tab or a line
// break: the first entry with one raises an error naming it and suggesting
// CSV, and no text is returned. KVTML is not written: a usage error.
struct ExportedText {
    std::string text;
    long long count = 0; // entries written
};
ExportedText exportEntries(store::Connection& deck, Format format);

} // namespace deck
