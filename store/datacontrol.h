#pragma once

#include "recordset.h"

#include <cstdint>
#include <memory>
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
    ~DataControl(); // a typed, pending entry is stored as the run ends

    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    const std::string& DatabaseName() const { return databaseName_; }
    void setDatabaseName(std::string path) { databaseName_ = std::move(path); }
    const std::string& RecordSource() const { return recordSource_; }
    void setRecordSource(std::string source) { recordSource_ = std::move(source); }

    // Opens a new record set from DatabaseName and RecordSource, its first
    // record current. The old one's pending entry is settled first; on any
    // error the old record set stays as it was.
    void Refresh();

    // The open record set. Raises ErrorCode::NotOpen before the first
    // successful Refresh.
    RecordSet& Recordset();
    bool isOpen() const { return recordset_ != nullptr; }

    // Whether some entry has an ID from `lowest` to `highest`: one indexed
    // look-up. Raises ErrorCode::NotOpen before the first successful Refresh.
    bool hasEntryBetween(std::int64_t lowest, std::int64_t highest);

    // See RecordSetHooks: bound boxes and tests attach here.
    RecordSetHooks hooks;

private:
    std::string databaseName_;
    std::string recordSource_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<RecordSet> recordset_;
};

} // namespace store
