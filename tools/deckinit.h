// SPDX-License-Identifier: MIT
#pragma once

class QString;

namespace deck {

// Writes a new deck at `path`: a SQLite file holding the empty table
// Questions. Refuses, with DeckErrorCode::FileExists, when anything is at
// `path` already, and leaves it untouched.
void initDeck(const QString& path);

} // namespace deck
