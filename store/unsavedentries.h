#pragma once

#include <string>

namespace store {

// Where entries go that the deck refused at the end of a run: a CSV file
// beside the deck, "Verbrio.unsaved.csv" beside "Verbrio.mdb".
std::string unsavedPath(const std::string& databasePath);

// Appends one CSV record (RFC 4180: each field quoted, quotes doubled, CR LF
// at the end) with the two texts to `path`, creating the file if needed.
// False when it could not be written.
bool appendUnsaved(const std::string& path, const std::string& term, const std::string& definition);

} // namespace store
