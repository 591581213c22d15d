// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace store {

// The numbers of the errors this layer raises itself. Errors that come from
// SQLite carry SQLite's own result code instead (1 to 28, 100, 101 and their
// extended forms, which keep the primary code in the low byte). None of ours
// has a SQLite primary code in its low byte, so no number here is also one of
// SQLite's, nor one of another error here.
enum class ErrorCode : int {
    Overflow = 3006,                // a value does not fit a 16-bit signed integer
    TypeMismatch = 3013,            // a value is not a number where one is needed
    NoCurrentRecord = 3021,         // the record set has no current record
    UnsupportedRecordSource = 3251, // the record source is none of the forms we open
    NoField = 3265,                 // the record set has no field of that name
    NotOpen = 3420,                 // no record set has been opened yet
    BadTable = 3800,                // table Questions is missing or not of the expected shape
    NoEntryInRange = 3900,          // no entry has an ID from 1 to the largest ID
    CannotBackUp = 3910,            // the copy of the file before deleting all could not be written
    DeckFull = 3920,                // a new entry would need an ID above the largest the Review screen draws
    BlankEntry = 3921,              // an entry with neither a term nor a definition is never stored
    ChangedElsewhere = 3922,        // a conditional write found the entry changed by another program
    NoRoomToRestore = 3950,         // a restore would give an entry an ID the Review screen cannot draw
    ComputedTable = 3951,           // table Questions computes values as entries are read or written
    ForeignWal = 3952,              // a -wal not written with the file is beside it and cannot be moved aside
    Internal = 51,                  // not the store's: an error of the library or the toolkit around it
};

// The one error type of the store: a number and a description, raised and
// never returned.
class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description) : std::runtime_error(description), number_(number) { }
    Error(ErrorCode code, const std::string& description) : Error(static_cast<int>(code), description) { }

    int number() const noexcept { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

} // namespace store
