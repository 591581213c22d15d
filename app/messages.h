// SPDX-License-Identifier: MIT
#pragma once

// The texts the program shows the user, exactly as they stand. Lines of one
// message are joined with CR LF.

namespace messages {

inline constexpr const char* kApplicationTitle = "Verbrio";

inline constexpr const char* kOpenDatabaseFailed = "There was an error opening the database!\r\n"
                                                   "A detailed message will follow.  Please write down the message\r\n"
                                                   "and consult the Readme.txt file for contact information";

// Followed by the error's number, then kErrorSeparator and its description.
inline constexpr const char* kErrorSeparator = ":  ";

inline constexpr const char* kNoEntries = "There are no entries in the database!";

inline constexpr const char* kRestartWarning = "Warning! This will permanently delete all entries in the database!\r\n"
                                               "Are you sure you want to continue?";

// Followed by CR LF, the store's error number, kErrorSeparator and its
// description.
inline constexpr const char* kEntryNotStored =
    "The entry being typed could not be stored; it waits on the Create screen.";

// At the end of the run, for an entry the database refused. Followed by CR
// LF and the file it was written to instead, then CR LF and the reason.
inline constexpr const char* kEntryWrittenToFile =
    "The entry being typed could not be stored in the database; it was written to this file instead:";
// Followed by CR LF, "Term: " and the term, CR LF, "Definition: " and the
// definition, then CR LF and the reason.
inline constexpr const char* kEntryWrittenNowhere =
    "The entry being typed could not be stored in the database, nor written to a file.\r\n"
    "Copy it from here before you close this message:";

} // namespace messages
