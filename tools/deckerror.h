// SPDX-License-Identifier: MIT
#pragma once

#include "error.h"
#include "remedy.h"

#include <string>
#include <utility>

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

// A source refused at a place of it (or as a whole: line 0), with what would
// let it in, kept as data for the editor; its description is the command
// line's: "line N: what is wrong (give --option)".
class SourceError : public store::Error {
public:
    SourceError(DeckErrorCode code, const char* place, long line, std::string reason, Remedy remedy = {})
        : store::Error(static_cast<int>(code), (line > 0 ? std::string(place) + " " + std::to_string(line) + ": " : "")
                                                   + reason + commandLineAdvice(remedy)),
          line_(line), reason_(std::move(reason)), remedy_(std::move(remedy))
    {
    }

    long line() const noexcept { return line_; }
    const std::string& reason() const noexcept { return reason_; }
    const Remedy& remedy() const noexcept { return remedy_; }

private:
    long line_;
    std::string reason_;
    Remedy remedy_;
};

// A malformed source line: "line N: what is wrong".
inline SourceError malformedLine(long line, const std::string& problem, Remedy remedy = {})
{
    return SourceError(DeckErrorCode::Malformed, "line", line, problem, std::move(remedy));
}

} // namespace deck
