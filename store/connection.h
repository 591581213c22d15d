// SPDX-License-Identifier: MIT
#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>

#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace store {

// The longest text or blob one field of a file may hold for us; a longer
// one is refused as it is read, not built in memory first.
inline constexpr int kLongestField = 1 << 20;

// How long one statement may run before it is stopped as runaway.
inline constexpr std::chrono::milliseconds kStatementBudget{10000};

// SQLite's protections for a file from an unknown source, set on an open
// connection before its first statement: nothing in its schema runs with side
// effects, no string or row grows past what two fields may hold, and a
// statement running longer than `budget` is stopped (SQLITE_INTERRUPT).
void protectFromUntrustedFile(SQLite::Database& db, std::chrono::milliseconds budget = kStatementBudget);

// SQLite's message for `e`, said plainly where the protections above are what
// stopped it.
std::string failureText(const SQLite::Exception& e);

// One open SQLite connection to a Verbrio database file.
//
// The file may come from anyone, so it is opened with SQLite's protections for
// untrusted files, and never created. Nothing is written to the file until a
// change is stored: the first change goes in with the file's own journal, and
// only once it is committed does the connection switch the file to WAL for
// the changes that follow. A database only read, or whose write was refused,
// stays byte-for-byte the same. leaveWal() returns it to the rollback journal
// when the program is idle, so no -wal or -shm file outlives a burst of work.
class Connection {
public:
    // AsItIs: only read, and only what the file itself holds; a journal or
    // -wal beside it is neither applied nor touched (a backup, say).
    enum class Access { ReadWrite, ReadOnly, AsItIs };

    // Opens an existing file, read-write where the file allows it, or only
    // for reading. Raises an Error naming the file when it is missing or
    // cannot be opened.
    explicit Connection(std::string path, Access access = Access::ReadWrite);

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& path() const { return path_; }

    // What opening did that the user should hear of, once, then empty: a
    // -wal beside a file in rollback mode, not written with it, is moved
    // aside rather than applied (also said on standard error).
    std::string takeNotice() { return std::exchange(notice_, {}); }
    SQLite::Database& db() { return db_; }

    // Refuses, with an Error that says what is wrong, a file without the table
    // Questions or whose table lacks a column, has an ID that is not an
    // INTEGER PRIMARY KEY, carries a trigger, or computes values as entries
    // are read or written: generated or hidden columns, CHECK constraints,
    // indexes on expressions or with a WHERE clause. Checked again only when
    // the file's schema has changed since the last check.
    void checkTable();

    // Runs `work`, one statement that changes the file, turning SQLite's
    // exceptions into our Error. Once it is committed, the file is switched to
    // WAL where it is not already: a file that cannot be switched says so on
    // standard error, once, and keeps working in its own journal mode.
    // A file replaced at the path since (renamed over, say) is opened first
    // (reopenIfMoved): the change goes to the file the user now has there.
    template <class Work>
    void write(Work&& work)
    {
        reopenIfMoved();
        run(std::forward<Work>(work));
        afterWrite();
    }

    // Whether a change was stored since the file last left WAL.
    bool wrote() const { return wrote_; }

    // Checkpoints the WAL into the file and returns the file to the rollback
    // journal, so that the file alone holds every entry and is read afresh by
    // the next reopen. Never waits: false while another connection has the
    // file open in WAL (SQLITE_BUSY), or on any other failure, to be tried
    // again at the next idle point. True when done, or with nothing to do:
    // nothing stored since the last time, unless `evenIfUnwritten`.
    bool leaveWal(bool evenIfUnwritten = false) noexcept;

    // Writes a consistent copy of the file to `target` (VACUUM INTO a new,
    // uniquely named file beside it, synced, then an atomic rename), with the
    // file's own permission bits. The earlier copies are kept: `target`.1
    // becomes `target`.2 and `target` becomes `target`.1. Raises
    // ErrorCode::CannotBackUp, naming both files, on failure.
    void backUp(const std::string& target);

    // Whether the file at path() is no longer the one open here (removed,
    // renamed or replaced since): writes here would be lost.
    bool fileMoved();

    // Opens the file now at path() in place of the one open here when that
    // one has moved (and no transaction is open), checks its table, and calls
    // afterReopen; true when it did. Raises an Error, keeping the old file
    // open, when the new one cannot be opened or is refused.
    bool reopenIfMoved();

    // Called after reopenIfMoved opened another file: what a caller keeps of
    // the old one (functions it added, what it read) is to be done afresh.
    std::function<void()> afterReopen;

    // A prepared statement from this connection's cache, reset and cleared
    // of its bindings when it goes out of scope: a reset statement holds no
    // lock, and the program's few statements are prepared only once.
    class CachedStatement {
    public:
        explicit CachedStatement(SQLite::Statement& statement) : statement_(statement) { }
        ~CachedStatement();
        CachedStatement(const CachedStatement&) = delete;
        CachedStatement& operator=(const CachedStatement&) = delete;
        SQLite::Statement* operator->() { return &statement_; }
        SQLite::Statement& operator*() { return statement_; }

    private:
        SQLite::Statement& statement_;
    };
    CachedStatement prepare(const std::string& sql);

    // Runs `work`, turning SQLite's exceptions into our Error, with SQLite's
    // result code as its number and the file named in its description.
    template <class Work>
    decltype(auto) run(Work&& work)
    {
        try {
            return std::forward<Work>(work)();
        } catch (const SQLite::Exception& e) {
            raise(e);
        }
    }

private:
    [[noreturn]] void raise(const SQLite::Exception& e) const;
    void setUp();
    void afterWrite();

    std::string path_;
    Access access_;
    std::string notice_;
    SQLite::Database db_;
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements_;
    int checkedSchemaVersion_ = -1;
    bool inWal_ = false;      // switched to WAL by this connection, not left since
    bool walRefused_ = false; // the switch failed once: the file keeps its own journal
    bool wrote_ = false;
};

} // namespace store
