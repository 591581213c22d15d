#include "connection.h"

#include "error.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace store {
namespace {

constexpr int kBusyTimeoutMs = 2000; // a second copy of the program may hold the file briefly

// Opening never creates the file: a missing one is an error the user must see.
SQLite::Database openExisting(const std::string& path, Connection::Access access)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        throw Error(SQLITE_CANTOPEN, "The database file '" + path + "' does not exist");
    if (std::filesystem::is_directory(status))
        throw Error(SQLITE_CANTOPEN, "'" + path + "' is a directory, not a database file");
    try {
        // One thread uses a connection: SQLite need not lock it on every
        // call, which a search over every entry would feel.
        const int mode = access == Connection::Access::ReadOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE;
        return SQLite::Database(path, mode | SQLite::OPEN_NOMUTEX, kBusyTimeoutMs);
    } catch (const SQLite::Exception& e) {
        // SQLite's own message ("unable to open database file") would not
        // say that the path is too long for it.
        const sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
        if (vfs && path.size() > std::size_t(vfs->mxPathname))
            throw Error(e.getErrorCode(), "Cannot open the database file '" + path + "': its path is longer than the "
                                              + std::to_string(vfs->mxPathname) + " bytes SQLite accepts");
        throw Error(e.getErrorCode(), "Cannot open the database file '" + path + "': " + e.what());
    }
}

} // namespace

void protectFromUntrustedFile(SQLite::Database& db)
{
    sqlite3* handle = db.getHandle();
    // No functions with side effects called from the schema, no writes to
    // the schema itself, no triggers running on our writes, and pages
    // checked as they are read.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    db.exec("PRAGMA cell_size_check = ON");
}

Connection::Connection(std::string path, Access access) : path_(std::move(path)), db_(openExisting(path_, access))
{
    run([&] {
        protectFromUntrustedFile(db_);
        // Connection settings only: these write nothing to the file.
        db_.exec("PRAGMA synchronous = NORMAL");
        // Each checkpoint syncs the file to disk; deleting every entry one by
        // one would otherwise spend most of its time there. The WAL is cut
        // back to a few megabytes after each checkpoint.
        db_.exec("PRAGMA wal_autocheckpoint = 10000");
        db_.exec("PRAGMA journal_size_limit = 4194304");
        // Every read is one entry by its ID or the next few in ID order, so
        // the interior pages of the table are all the cache needs to keep:
        // 256 KiB, not SQLite's 2 MiB, which a drill over a large table would
        // otherwise fill with pages it never reads again.
        db_.exec("PRAGMA cache_size = -256");
    });
}

void Connection::checkTable()
{
    run([&] {
        // Asked on every Refresh, so prepared once.
        const int version = [&] {
            auto query = prepare("PRAGMA schema_version");
            query->executeStep();
            return query->getColumn(0).getInt();
        }();
        if (version == checkedSchemaVersion_)
            return;

        SQLite::Statement table(
            db_, "SELECT type, wr FROM pragma_table_list WHERE schema = 'main' AND name = 'Questions' COLLATE NOCASE");
        if (!table.executeStep() || table.getColumn(0).getString() != "table")
            throw Error(ErrorCode::BadTable, "The database file '" + path_ + "' has no table Questions");
        if (table.getColumn(1).getInt() != 0)
            throw Error(ErrorCode::BadTable, "The table Questions in '" + path_
                                                 + "' is a WITHOUT ROWID table; its ID must be an INTEGER PRIMARY KEY");

        bool hasQuestion = false, hasDescription = false, idIsKey = false;
        int keyColumns = 0;
        SQLite::Statement columns(db_, "SELECT name, type, pk FROM pragma_table_info('Questions')");
        while (columns.executeStep()) {
            const std::string name = columns.getColumn(0).getString();
            const bool key = columns.getColumn(2).getInt() != 0;
            keyColumns += key;
            if (sqlite3_stricmp(name.c_str(), "ID") == 0)
                idIsKey = key && sqlite3_stricmp(columns.getColumn(1).getString().c_str(), "INTEGER") == 0;
            hasQuestion |= sqlite3_stricmp(name.c_str(), "Question") == 0;
            hasDescription |= sqlite3_stricmp(name.c_str(), "Description") == 0;
        }
        const char* missing = !hasQuestion ? "Question" : !hasDescription ? "Description" : nullptr;
        if (missing)
            throw Error(ErrorCode::BadTable,
                        std::string("The table Questions in '") + path_ + "' has no column " + missing);
        // "INTEGER PRIMARY KEY DESC" reads like the row's key but makes an
        // ordinary, indexed column that can hold NULL, text or real numbers.
        SQLite::Statement keyIndex(db_, "SELECT count(*) FROM pragma_index_list('Questions') WHERE origin = 'pk'");
        keyIndex.executeStep();
        if (keyIndex.getColumn(0).getInt() != 0)
            idIsKey = false;
        if (!idIsKey || keyColumns != 1)
            throw Error(ErrorCode::BadTable,
                        "The table Questions in '" + path_ + "' must have the column ID as its INTEGER PRIMARY KEY");

        SQLite::Statement triggers(
            db_, "SELECT count(*) FROM sqlite_schema WHERE type = 'trigger' AND tbl_name = 'Questions' COLLATE NOCASE");
        triggers.executeStep();
        if (triggers.getColumn(0).getInt() != 0)
            throw Error(ErrorCode::BadTable,
                        "The table Questions in '" + path_ + "' carries a trigger; Verbrio does not open such files");

        checkedSchemaVersion_ = version;
    });
}

void Connection::afterWrite()
{
    wrote_ = true;
    if (inWal_ || walRefused_)
        return;
    try {
        // WAL keeps each committed change safe when the process is killed, and
        // lets a second copy of the program read while this one writes. The
        // switch needs the file to itself, and SQLite fails it at once,
        // without the busy timeout, while another program is writing: take
        // the write lock first, which does wait, and let it go again.
        {
            SQLite::Transaction lock(db_, SQLite::TransactionBehavior::IMMEDIATE);
        }
        if (db_.execAndGet("PRAGMA journal_mode = WAL").getString() == "wal") {
            inWal_ = true;
        } else {
            walRefused_ = true;
            std::fprintf(stderr,
                         "Verbrio: '%s' cannot use a write-ahead log; it keeps its own journal, "
                         "and each change takes longer to store\n",
                         path_.c_str());
        }
    } catch (const std::exception&) {
        // The change is stored; only the switch failed (the file is busy).
        // It is tried again after the next change.
    }
}

bool Connection::leaveWal(bool evenIfUnwritten) noexcept
{
    if (!wrote_ && !evenIfUnwritten)
        return true;
    sqlite3* handle = db_.getHandle();
    sqlite3_busy_timeout(handle, 0); // an idle point never holds the window up
    bool left = false;
    try {
        // The checkpoint alone makes the file complete; leaving WAL, which
        // another copy with the file open prevents, also makes the next
        // reopen read the file afresh rather than trust this cache.
        sqlite3_wal_checkpoint_v2(handle, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        // One statement at a time: a column read keeps its statement running.
        const std::string mode = db_.execAndGet("PRAGMA journal_mode").getString();
        left = mode != "wal" || db_.execAndGet("PRAGMA journal_mode = DELETE").getString() != "wal";
    } catch (const std::exception&) {
        left = false;
    }
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    if (left) {
        wrote_ = false;
        inWal_ = false;
    }
    return left;
}

void Connection::backUp(const std::string& target)
{
    const std::string partial = target + ".partial";
    const auto fail = [&](const std::string& why) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return Error(ErrorCode::CannotBackUp, "Cannot write the copy '" + target + "' of the database file '" + path_
                                                  + "', so nothing was deleted: " + why);
    };
    std::error_code ec;
    std::filesystem::remove(partial, ec); // VACUUM INTO writes only a new file
    try {
        SQLite::Statement vacuum(db_, "VACUUM INTO ?1");
        vacuum.bind(1, partial);
        vacuum.exec();
    } catch (const SQLite::Exception& e) {
        throw fail(e.what());
    }
    // On disk before it takes the name: a crash leaves the old copy or the
    // new one, never half of one.
    const int fd = ::open(partial.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw fail(std::strerror(errno));
    std::filesystem::rename(partial, target, ec);
    if (ec)
        throw fail(ec.message());
}

bool Connection::fileMoved()
{
    int moved = 0;
    sqlite3_file_control(db_.getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    return moved != 0;
}

Connection::CachedStatement::~CachedStatement()
{
    statement_.tryReset();
    try {
        statement_.clearBindings(); // lets go of the copies of bound texts
    } catch (...) {
        // sqlite3_clear_bindings cannot fail, and a destructor lets nothing out
    }
}

Connection::CachedStatement Connection::prepare(const std::string& sql)
{
    auto& statement = statements_[sql];
    if (!statement)
        statement = run([&] { return std::make_unique<SQLite::Statement>(db_, sql); });
    return CachedStatement(*statement);
}

void Connection::raise(const SQLite::Exception& e) const
{
    throw Error(e.getErrorCode(), std::string(e.what()) + " (database file '" + path_ + "')");
}

} // namespace store
