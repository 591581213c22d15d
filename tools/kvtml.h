// SPDX-License-Identifier: MIT
#pragma once

#include "sourceformat.h"

class QByteArray;

namespace deck {

// Reads a KVTML document, the word lists of KDE's education programs, in
// version 2 (<identifiers>, <entries>) or 1 (<e><o>…</o><t>…</t></e>).
//
// Each entry's texts in two languages become the term and the definition:
// those `options.languages` names (by id, locale or name), else the first
// two. A document in one language gives its text as the term and its
// <comment> as the definition. An entry that lacks either is left out and
// counted; a document where every entry lacks its definition is refused. The
// encoding is a byte-order mark's, else `options.encoding`, else the XML
// declaration's, and a byte it does not have is refused with its line. Raises
// a malformed-line error for XML that is not well-formed, for an entity other
// than XML's five, and for a document that is not KVTML.
void readKvtml(const QByteArray& source, const ReadOptions& options, SourceSink& sink);

void readKvtmlSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink);

} // namespace deck
