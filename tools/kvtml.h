#pragma once

#include "sourcesink.h"

class QByteArray;

namespace deck {

// Reads a KVTML 2.0 document, the deck format of KDE's vocabulary programs.
// Each entry's translations into the document's first two languages (its
// first two identifiers; ids 0 and 1 if it declares fewer) become the term
// and the definition, in the order of the entries. An entry that lacks
// either text is left out with a note. Raises a malformed-line error for XML
// that is not well-formed and for a document that is not KVTML 2.
void readKvtml(const QByteArray& source, SourceSink& sink);

} // namespace deck
