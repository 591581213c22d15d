// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace store {

// Where entries go that the deck refused at the end of a run: a CSV file
// beside the deck, "Verbrio.unsaved.csv" beside "Verbrio.mdb".
std::string unsavedPath(const std::string& databasePath);

// The same file in the user's own data folder, for when the deck's folder
// takes no file: "$XDG_DATA_HOME/Verbrio/unsaved.csv", by default
// "$HOME/.local/share/Verbrio/unsaved.csv". Empty when there is no home.
std::string userUnsavedPath();

// Appends one CSV record (RFC 4180: each field quoted, quotes doubled, CR LF
// at the end) with the two texts to `path`, creating the file if needed. The
// file is opened only as a regular file of its own (no symbolic link, no
// FIFO, no second hard link), and the record is written whole and synced or
// not at all. False when it could not be written.
bool appendUnsaved(const std::string& path, const std::string& term, const std::string& definition);

// An entry the deck refused as the run ended, and where it was kept instead.
struct UnsavedEntry {
    std::string term;
    std::string definition;
    std::string reason; // why the deck refused it
    std::string keptAt; // the file it was appended to; empty: none took it
};

// Appends the entry beside the deck, else in the user's data folder
// (creating the folders it needs, private to the user). The file that took
// it, or empty when none did.
std::string keepUnsaved(const std::string& databasePath, const std::string& term, const std::string& definition);

} // namespace store
