#include "datacontrol.h"

#include "connection.h"
#include "error.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <cstdio>

namespace store {
namespace {

// Whether the file at the connection's path is no longer the one it has open
// (removed, renamed or replaced since): writes there would be lost.
bool fileMoved(Connection& connection)
{
    int moved = 0;
    sqlite3_file_control(connection.db().getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    return moved != 0;
}

} // namespace

DataControl::DataControl() = default;

DataControl::~DataControl()
{
    if (!recordset_)
        return;
    try {
        recordset_->settlePending();
    } catch (const Error& e) {
        // The run is ending and no window is left to report it in.
        std::fprintf(stderr, "Verbrio: the entry being typed could not be stored: %d: %s\n", e.number(), e.what());
    }
}

void DataControl::Refresh()
{
    if (hooks.beforeOperation)
        hooks.beforeOperation("Refresh");
    const store::RecordSource source = parseRecordSource(recordSource_);
    if (recordset_)
        recordset_->settlePending();

    // Reuse the open connection while the file stays the same: every "Next"
    // refreshes twice, and reopening the file each time would cost more than
    // the queries themselves. A file gone from its path is opened afresh,
    // which fails when none is there any more.
    std::unique_ptr<Connection> opened;
    if (!connection_ || connection_->path() != databaseName_ || fileMoved(*connection_))
        opened = std::make_unique<Connection>(databaseName_);
    Connection& connection = opened ? *opened : *connection_;
    connection.checkTable();
    auto recordset = std::make_unique<RecordSet>(connection, source, hooks);

    recordset_ = std::move(recordset); // the old set goes before its connection
    if (opened)
        connection_ = std::move(opened);
    if (hooks.currentChanged)
        hooks.currentChanged();
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
    return connection_->run([&] {
        auto query = connection_->prepare("SELECT EXISTS (SELECT 1 FROM Questions WHERE ID BETWEEN ?1 AND ?2)");
        query->bind(1, lowest);
        query->bind(2, highest);
        query->executeStep();
        return query->getColumn(0).getInt() != 0;
    });
}

} // namespace store
