// SPDX-License-Identifier: MIT
#pragma once

#include "error.h"
#include "recordsource.h"
#include "value.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace store {

class Connection;

// One entry as the record set holds it.
struct Record {
    Value id;
    Value question;
    Value description;
};

// Called by the record set: `currentChanged` whenever another record becomes
// current (bound boxes show it), `beforeOperation` at the start of every
// operation with its name (a seam where tests make a chosen operation fail),
// `fileChanged` after each change stored in the file, and `entryNotStored`
// when a reopen could not store the entry being typed (see DataControl).
struct RecordSetHooks {
    std::function<void()> currentChanged;
    std::function<void(std::string_view operation)> beforeOperation;
    std::function<void()> fileChanged;
    std::function<void(const Error&)> entryNotStored;
};

// Stores `entry` as a new entry of the file (insertEntry), as a change the
// program makes: the file switches to WAL once it is committed.
void storeEntry(Connection& connection, const Record& entry);

// Whether the entry has no text in either field: such an entry is never stored.
bool isBlank(const Record& entry);

// An updatable view of the table Questions in ascending ID order, or of the
// one entry a record source names, with a current record.
//
// No statement stays open between operations (its read lock would stall
// another copy of the program): first, next and last are indexed queries, so
// opening costs the same at any size of table.
//
// A pending entry (AddNew) is stored by Update and dropped by CancelUpdate.
// Moving or replacing the record set stores it if text was typed into it, and
// drops it otherwise: nothing typed is lost, nothing untouched is stored. A
// typed entry the file refused as the record set was replaced is held aside,
// not current and not shown, so reading goes on until AddNew takes it up again.
class RecordSet {
public:
    // Opens the view with its first record, if any, current.
    RecordSet(Connection& connection, EntrySelection source, const RecordSetHooks& hooks);

    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // 0 for an empty set. Otherwise, as in a dynaset, the number of records
    // reached so far, at least 1: the table is never counted up front.
    long RecordCount() const;
    // True once MoveNext has passed the last record. (`EOF` is a C macro.)
    bool Eof() const { return eof_; }

    void MoveFirst();
    void MoveNext();
    void MoveLast();

    // The current record's field "ID", "Question" or "Description".
    Value Fields(std::string_view name) const;

    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete();

    // What bound boxes show: the pending entry, else the current record, else
    // nothing (an empty set, past the end, or just deleted).
    std::optional<Record> current() const;
    bool pending() const { return pending_.has_value(); }
    // A bound box's text typed by the user, for the field `field`
    // (&Record::question or &Record::description). It goes into the pending
    // entry; with nothing pending it is ignored: typing never changes a stored
    // entry.
    void setPendingField(Value Record::*field, std::string text);

    // Stores the pending entry if text was typed into it, drops it otherwise.
    void settlePending();

    // The entry typed and not yet stored: the pending entry if text was typed
    // into it, else the one held aside; null when there is none.
    const Record* typedEntry() const;
    bool holdsRefusedEntry() const { return held_.has_value(); }
    // The typed entry has been stored elsewhere, or is to be dropped.
    void forgetTypedEntry();
    // Holds `entry` aside, as refused by the file.
    void hold(Record entry) { held_ = std::move(entry); }

private:
    enum class Direction { First, Next, Last };
    // The record in `direction`, from the records read ahead if it is there.
    std::optional<Record> next(Direction direction);
    std::deque<Record> fetch(Direction direction) const;
    void moveTo(Direction direction);
    void storePending();
    void enter(std::string_view operation) const;
    void changed() const;
    void fileChanged() const;

    Connection& connection_;
    EntrySelection source_;
    const RecordSetHooks& hooks_;
    std::optional<Record> row_;            // the current stored record
    std::optional<std::int64_t> position_; // its ID; kept after Delete, so MoveNext goes on from there
    std::optional<Record> pending_;        // its ID stays NULL until it is stored
    std::optional<Record> held_;           // a typed entry the file refused
    std::deque<Record> ahead_;             // the records after the current one, read ahead
    bool empty_ = true;
    bool eof_ = false;
    long reached_ = 0;
};

} // namespace store
