// SPDX-License-Identifier: MIT
#include "decksource.h"

#include "connection.h"
#include "deck.h"
#include "deckerror.h"

namespace deck {

void readDeckSource(const SourceInput& input, const ReadOptions&, SourceSink& sink)
{
    if (input.path.empty())
        throw usageError("a deck cannot be read from standard input: give its file name");
    store::Connection source(input.path, store::Connection::Access::ReadOnly);
    source.checkTable();
    store::Deck(source).forEach([&](const store::Entry& entry) {
        sink.entry({static_cast<long>(entry.id), entry.term, entry.definition});
    });
}

} // namespace deck
