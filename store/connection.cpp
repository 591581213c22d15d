// SPDX-License-Identifier: MIT
#include "connection.h"

#include "error.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

constexpr int kBusyTimeoutMs = 2000; // a second copy of the program may hold the file briefly

// A URI that opens the file at `path` read-only and immutable: SQLite then
// reads the file alone, and never looks at, applies or writes a journal or
// -wal beside it.
std::string asItIsUri(const std::string& path)
{
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    std::string uri = "file:";
    for (const char c : absolute) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '.' || c == '-' || c == '_') {
            if (!(c == '/' && uri.back() == '/')) // "file://" would name a host
                uri += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        uri += '%';
        uri += kHex[byte >> 4];
        uri += kHex[byte & 0xF];
    }
    return uri + "?mode=ro&immutable=1";
}

// Flushes the file or folder at `path` to disk; false, with errno, on failure.
bool syncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    errno = error;
    return synced;
}

// A -wal beside a file whose header says it uses the rollback journal was not
// written with it: we leave a file in rollback mode when idle, and SQLite
// would apply any -wal it finds, another file's changes included. It is moved
// aside under a time-stamped name; what was done is returned, to be said once.
// Raises ErrorCode::ForeignWal when it cannot be moved.
std::string moveForeignWal(const std::string& path)
{
    const std::string wal = path + "-wal";
    std::error_code ec;
    if (std::filesystem::file_size(wal, ec) == 0 || ec)
        return {};
    unsigned char header[20] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read = fd >= 0 && ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    if (fd >= 0)
        ::close(fd);
    static constexpr char kMagic[] = "SQLite format 3";
    if (!read || std::memcmp(header, kMagic, sizeof kMagic) != 0 || header[18] != 1 || header[19] != 1)
        return {};
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", gmtime_r(&now, &utc));
    std::string aside = wal + "." + stamp;
    for (int n = 1; std::filesystem::exists(aside, ec); ++n)
        aside = wal + "." + stamp + "." + std::to_string(n);
    // Opening would apply it: the file is not opened at all.
    if (::rename(wal.c_str(), aside.c_str()) != 0)
        throw Error(ErrorCode::ForeignWal, "The file '" + wal + "' beside the database file '" + path
                                               + "' does not belong to it and would replace its entries, and it "
                                                 "cannot be moved aside ("
                                               + std::strerror(errno) + "); move it elsewhere first");
    return "The file '" + wal + "' beside the database file '" + path
           + "' did not belong to it and was not applied; it was moved aside to '" + aside + "'";
}

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
        if (access == Connection::Access::AsItIs)
            return SQLite::Database(asItIsUri(path), SQLite::OPEN_READONLY | SQLite::OPEN_URI | SQLite::OPEN_NOMUTEX,
                                    kBusyTimeoutMs);
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

namespace {

// When the statement now running began, for the progress handler. Freed when
// the connection closes.
struct StatementClock {
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::chrono::milliseconds budget;
};

int onTrace(unsigned event, void* context, void*, void*)
{
    auto* clock = static_cast<StatementClock*>(context);
    if (event == SQLITE_TRACE_STMT)
        clock->started = std::chrono::steady_clock::now();
    else if (event == SQLITE_TRACE_CLOSE)
        delete clock;
    return 0;
}

int onProgress(void* context)
{
    const auto* clock = static_cast<const StatementClock*>(context);
    return std::chrono::steady_clock::now() - clock->started > clock->budget ? 1 : 0;
}

// Bytes a row holds at most: two fields at their longest and the rest of it.
constexpr int kLongestRow = 2 * kLongestField + 4096;

// Whether `sql` (a CREATE TABLE statement) has a CHECK constraint: the
// keyword outside quotes, quoted names and comments.
bool hasCheck(const std::string& sql)
{
    for (std::size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        const char* close = c == '\'' ? "'" : c == '"' ? "\"" : c == '`' ? "`" : c == '[' ? "]" : nullptr;
        if (close || sql.compare(i, 2, "--") == 0 || sql.compare(i, 2, "/*") == 0) {
            const std::string end = close ? close : c == '-' ? "\n" : "*/";
            const std::size_t found = sql.find(end, i + (close ? 1 : 2));
            i = found == std::string::npos ? sql.size() : found + end.size();
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t end = i;
            while (end < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_'))
                ++end;
            if (sqlite3_strnicmp(sql.c_str() + i, "CHECK", 5) == 0 && end - i == 5)
                return true;
            i = end;
            continue;
        }
        ++i;
    }
    return false;
}

} // namespace

void protectFromUntrustedFile(SQLite::Database& db, std::chrono::milliseconds budget)
{
    sqlite3* handle = db.getHandle();
    // A generated column or a default can build a gigabyte of text from a
    // few bytes of schema (printf('%.*c', N, 'x')); nothing we read is
    // longer than a row of two fields.
    sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, kLongestRow);
    // A statement computing without end (a recursive view, a huge join) is
    // stopped; asked every few thousand steps of SQLite's machine: cheap.
    auto* clock = new StatementClock{std::chrono::steady_clock::now(), budget};
    sqlite3_trace_v2(handle, SQLITE_TRACE_STMT | SQLITE_TRACE_CLOSE, onTrace, clock);
    sqlite3_progress_handler(handle, 10000, onProgress, clock);
    // No functions with side effects called from the schema, no writes to
    // the schema itself, no triggers running on our writes, and pages
    // checked as they are read.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    db.exec("PRAGMA cell_size_check = ON");
}

Connection::Connection(std::string path, Access access)
    : path_(std::move(path)), access_(access),
      notice_(access == Access::AsItIs ? std::string() : moveForeignWal(path_)), db_(openExisting(path_, access))
{
    if (!notice_.empty())
        std::fprintf(stderr, "Verbrio: %s\n", notice_.c_str());
    setUp();
}

void Connection::setUp()
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

bool Connection::reopenIfMoved()
{
    // Not in the middle of a transaction: its statements belong to this file.
    if (!fileMoved() || sqlite3_get_autocommit(db_.getHandle()) == 0)
        return false;
    statements_.clear();
    std::string notice = access_ == Access::AsItIs ? std::string() : moveForeignWal(path_);
    db_ = openExisting(path_, access_); // the old file, no longer at the path, is closed
    if (!notice.empty()) {
        notice_ = std::move(notice);
        std::fprintf(stderr, "Verbrio: %s\n", notice_.c_str());
    }
    checkedSchemaVersion_ = -1;
    inWal_ = walRefused_ = wrote_ = false;
    setUp();
    checkTable();
    if (afterReopen)
        afterReopen();
    return true;
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

        // Anything the file computes as entries are read or written would run
        // its own expressions, without bound, on every read or write.
        const auto refuse = [&](const std::string& what) {
            throw Error(ErrorCode::ComputedTable,
                        "The table Questions in '" + path_ + "' " + what + "; Verbrio does not open such files");
        };
        SQLite::Statement hidden(db_, "SELECT name FROM pragma_table_xinfo('Questions') WHERE hidden != 0");
        if (hidden.executeStep())
            refuse("has a generated or hidden column, " + hidden.getColumn(0).getString());
        SQLite::Statement sql(
            db_, "SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = 'Questions' COLLATE NOCASE");
        if (sql.executeStep() && hasCheck(sql.getColumn(0).getString()))
            refuse("has a CHECK constraint");
        SQLite::Statement computedIndex(
            db_, "SELECT list.name FROM pragma_index_list('Questions') AS list "
                 "WHERE list.partial != 0 OR EXISTS (SELECT 1 FROM pragma_index_xinfo(list.name) WHERE cid = -2)");
        if (computedIndex.executeStep())
            refuse("has an index on an expression or with a WHERE clause, " + computedIndex.getColumn(0).getString());

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
    std::string partial = target + ".XXXXXX";
    const auto fail = [&](const std::string& why) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return Error(ErrorCode::CannotBackUp, "Cannot write the copy '" + target + "' of the database file '" + path_
                                                  + "', so nothing was deleted: " + why);
    };
    // A name of our own, made here and now: never a file or link someone
    // left in the folder. It gets the deck's own permission bits, so a copy
    // of a private deck is as private.
    struct stat deckStatus { };
    const int fd = ::mkostemp(partial.data(), O_CLOEXEC);
    if (fd < 0) {
        const std::string why = std::strerror(errno);
        partial.clear();
        throw fail(why);
    }
    const bool owned = ::stat(path_.c_str(), &deckStatus) == 0 && ::fchmod(fd, deckStatus.st_mode & 07777) == 0;
    const int modeErrno = errno;
    ::close(fd);
    if (!owned)
        throw fail(std::strerror(modeErrno));
    try {
        // VACUUM INTO writes into an empty file.
        SQLite::Statement vacuum(db_, "VACUUM INTO ?1");
        vacuum.bind(1, partial);
        vacuum.exec();
    } catch (const SQLite::Exception& e) {
        throw fail(e.what());
    }
    // On disk before it takes the name: a crash leaves the old copy or the
    // new one, never half of one.
    if (!syncPath(partial, O_RDONLY))
        throw fail(std::strerror(errno));
    // The last three copies are kept: a second delete never overwrites the
    // copy taken before the first.
    for (const auto& [from, to] : {std::pair{target + ".1", target + ".2"}, std::pair{target, target + ".1"}}) {
        if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) {
            std::string reason = "cannot keep the earlier copy '";
            reason += from;
            reason += "' as '";
            reason += to;
            reason += "': ";
            reason += std::strerror(errno);
            throw fail(reason);
        }
    }
    if (::rename(partial.c_str(), target.c_str()) != 0)
        throw fail(std::strerror(errno));
    // The new names on disk too, not only the bytes.
    syncPath(std::filesystem::path(target).parent_path().empty() ? std::string(".")
                                                                 : std::filesystem::path(target).parent_path().string(),
             O_RDONLY | O_DIRECTORY);
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
    throw Error(e.getErrorCode(), failureText(e) + " (database file '" + path_ + "')");
}

std::string failureText(const SQLite::Exception& e)
{
    switch (e.getErrorCode() & 0xFF) {
    case SQLITE_INTERRUPT:
        return "a statement ran longer than " + std::to_string(kStatementBudget.count() / 1000)
               + " seconds and was stopped: the file makes SQLite compute without end";
    case SQLITE_TOOBIG:
        return "the file holds or computes a text longer than the " + std::to_string(kLongestField >> 20)
               + " MiB a field may hold";
    default: return e.what();
    }
}

} // namespace store
