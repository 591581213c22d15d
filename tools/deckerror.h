#pragma once

#include "error.h"

#include <string>

namespace deck {

// The numbers of the errors the deck tool raises itself, as store::Error.
// They stay clear of SQLite's result codes and of the store's own numbers.
enum class DeckErrorCode : int {
    Usage = 4000,           // wrong arguments: the tool exits with status 2
    Malformed = 4001,       // a source line that cannot be read as an entry
    TooLong = 4002,         // a text longer than the Create screen's boxes take
    FileExists = 4003,      // init would overwrite a file
    CannotRead = 4004,      // the source file cannot be read
    CannotWrite = 4005,     // the output file cannot be written
    NotTabSafe = 4006,      // a text that tab-separated output cannot hold
    Damaged = 4007,         // SQLite's integrity check found faults
    NothingToImport = 4008, // a source that is not blank yields no entry
    NoRoom = 4009,          // an import would give an entry an ID the Review screen cannot draw
    NotReported = 4010,     // the work is done and stays done; only its report failed: exit status 3
    InUse = 4011,           // another program has the deck open, and the work needs it alone
};

inline store::Error deckError(DeckErrorCode code, const std::string& description)
{
    return store::Error(static_cast<int>(code), description);
}

// Wrong arguments, said as the problem with them.
inline store::Error usageError(const std::string& problem)
{
    return deckError(DeckErrorCode::Usage, problem);
}

// A malformed source line: "line N: what is wrong".
inline store::Error malformedLine(long line, const std::string& problem)
{
    return deckError(DeckErrorCode::Malformed, "line " + std::to_string(line) + ": " + problem);
}

} // namespace deck
