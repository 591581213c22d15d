// SPDX-License-Identifier: MIT
#pragma once

#include "recordset.h"
#include "unsavedentries.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace store {

class Connection;

// The data control: a database file, a record source, and the record set
// opened from the two. Setting the file or the source opens nothing; Refresh
// does, replacing the record set. Handlers ask for the record set afresh for
// each operation; no entry is kept anywhere else.
class DataControl {
public:
    DataControl();
    ~DataControl(); // ends the run (endRun) if that has not been done yet

    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    const std::string& DatabaseName() const { return databaseName_; }
    void setDatabaseName(std::string path) { databaseName_ = std::move(path); }
    const std::string& RecordSource() const { return recordSource_; }
    void setRecordSource(std::string source) { recordSource_ = std::move(source); }

    // Opens a new record set from DatabaseName and RecordSource, its first
    // record current. A file replaced or removed at that path since the last
    // Refresh is opened afresh. The entry being typed is first stored into
    // the file now at the path; if the file refuses it, the new record set
    // holds it aside and the reason goes to hooks.entryNotStored, once per
    // refusal: reading goes on. On any other error the old record set stays
    // as it was.
    void Refresh();

    // The open record set. Raises ErrorCode::NotOpen before the first
    // successful Refresh.
    RecordSet& Recordset();
    bool isOpen() const { return recordset_ != nullptr; }

    // Whether some entry has an ID from `lowest` to `highest`: one indexed
    // look-up. Raises ErrorCode::NotOpen before the first successful Refresh.
    bool hasEntryBetween(std::int64_t lowest, std::int64_t highest);

    // Makes the file self-contained (Connection::leaveWal) once a change was
    // stored. Call when the program goes idle; false when it must be tried
    // again later. Never raises.
    bool settleFile() noexcept;

    // Before deleting everything: a copy of the file at `target`. Raises
    // ErrorCode::CannotBackUp when it cannot be written.
    void backUp(const std::string& target);

    // The end of the run: the entry being typed is stored, or, where the file
    // refuses it, appended to the unsaved-entries file beside the deck or in
    // the user's data folder (see keepUnsaved) with a line on standard error;
    // then the file is settled. Never raises; afterwards the record set holds
    // no typed entry. The refused entry, if any, for the user to be told of.
    std::optional<UnsavedEntry> endRun() noexcept;

    // What opening the file did that the user should hear of
    // (Connection::takeNotice), once; empty when nothing.
    std::string takeNotice();

    // See RecordSetHooks: bound boxes and tests attach here.
    RecordSetHooks hooks;

private:
    std::string databaseName_;
    std::string recordSource_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<RecordSet> recordset_;
};

} // namespace store
