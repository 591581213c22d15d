// SPDX-License-Identifier: MIT
#include "datacontrol.h"

#include "connection.h"
#include "deck.h"
#include "error.h"
#include "unsavedentries.h"

#include <cstdio>
#include <optional>

namespace store {

DataControl::DataControl() = default;

DataControl::~DataControl()
{
    endRun();
}

void DataControl::Refresh()
{
    if (hooks.beforeOperation)
        hooks.beforeOperation("Refresh");
    const EntrySelection source = parseRecordSource(recordSource_);

    // Reuse the open connection while the file stays the same: every "Next"
    // refreshes twice, and reopening the file each time would cost more than
    // the queries themselves. A file gone from its path is opened afresh,
    // which fails when none is there any more.
    std::unique_ptr<Connection> opened;
    if (!connection_ || connection_->path() != databaseName_ || connection_->fileMoved())
        opened = std::make_unique<Connection>(databaseName_);
    Connection& connection = opened ? *opened : *connection_;
    connection.checkTable();

    // The entry being typed goes into the file now at the path, before the
    // new record set is read, so that it is among its entries.
    std::optional<Record> refused;
    std::optional<Error> reason;
    const bool heldAlready = recordset_ && recordset_->holdsRefusedEntry();
    if (const Record* typed = recordset_ ? recordset_->typedEntry() : nullptr) {
        try {
            storeEntry(connection, *typed);
            if (hooks.fileChanged)
                hooks.fileChanged();
        } catch (const Error& e) {
            refused = *typed;
            reason = e;
        }
        recordset_->forgetTypedEntry(); // stored, or held by the new record set below
    }
    std::unique_ptr<RecordSet> recordset;
    try {
        recordset = std::make_unique<RecordSet>(connection, source, hooks);
    } catch (...) {
        if (refused)
            recordset_->hold(std::move(*refused));
        throw;
    }
    if (refused)
        recordset->hold(std::move(*refused));

    recordset_ = std::move(recordset); // the old set goes before its connection
    if (opened)
        connection_ = std::move(opened);
    if (hooks.currentChanged)
        hooks.currentChanged();
    if (reason && !heldAlready && hooks.entryNotStored)
        hooks.entryNotStored(*reason);
}

RecordSet& DataControl::Recordset()
{
    if (!recordset_)
        throw Error(ErrorCode::NotOpen, "No record set is open: the database could not be opened");
    return *recordset_;
}

bool DataControl::hasEntryBetween(std::int64_t lowest, std::int64_t highest)
{
    if (!connection_)
        throw Error(ErrorCode::NotOpen, "No record set is open: the database could not be opened");
    return Deck(*connection_).hasEntryBetween(lowest, highest);
}

std::string DataControl::takeNotice()
{
    return connection_ ? connection_->takeNotice() : std::string();
}

bool DataControl::settleFile() noexcept
{
    return !connection_ || connection_->leaveWal();
}

void DataControl::backUp(const std::string& target)
{
    if (!connection_)
        throw Error(ErrorCode::NotOpen, "No record set is open: the database could not be opened");
    connection_->backUp(target);
}

std::optional<UnsavedEntry> DataControl::endRun() noexcept
{
    // The run is ending: whatever happens here is also said on standard
    // error, where the caller shows nothing.
    std::optional<UnsavedEntry> unsaved;
    try {
        if (const Record* typed = recordset_ ? recordset_->typedEntry() : nullptr) {
            try {
                // A file replaced or removed since gets the entry at its path.
                std::unique_ptr<Connection> fresh;
                if (connection_->fileMoved()) {
                    fresh = std::make_unique<Connection>(databaseName_);
                    fresh->checkTable();
                }
                storeEntry(fresh ? *fresh : *connection_, *typed);
                if (fresh)
                    fresh->leaveWal();
            } catch (const std::exception& e) {
                unsaved = UnsavedEntry{toText(typed->question), toText(typed->description), e.what(), {}};
                unsaved->keptAt = keepUnsaved(connection_->path(), unsaved->term, unsaved->definition);
                std::fprintf(stderr, "Verbrio: the entry being typed could not be stored: %s\n%s%s\n", e.what(),
                             unsaved->keptAt.empty() ? "Verbrio: nor could it be written to a file"
                                                     : "Verbrio: it was added to ",
                             unsaved->keptAt.c_str());
            }
            recordset_->forgetTypedEntry();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Verbrio: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Verbrio: an unknown error at the end of the run\n");
    }
    // Also when only read: another copy may have switched the file. While
    // one still has it open, that copy does it as it ends.
    if (connection_)
        connection_->leaveWal(true);
    return unsaved;
}

} // namespace store
