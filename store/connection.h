#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>

#include <SQLiteCpp/Statement.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace store {

// SQLite's protections for a file from an unknown source, set on an open
// connection before its first statement.
void protectFromUntrustedFile(SQLite::Database& db);

// One open SQLite connection to a Verbrio database file.
//
// The file may come from anyone, so it is opened with SQLite's protections for
// untrusted files, and never created. Nothing is written to the file until the
// first change is stored: only then does the connection switch the file to the
// WAL journal, so a database that is only read stays byte-for-byte the same.
class Connection {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file, read-write where the file allows it, or only
    // for reading. Raises an Error naming the file when it is missing or
    // cannot be opened.
    explicit Connection(std::string path, Access access = Access::ReadWrite);

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& path() const { return path_; }
    SQLite::Database& db() { return db_; }

    // Refuses, with an Error that says what is wrong, a file without the table
    // Questions or whose table lacks a column, has an ID that is not an
    // INTEGER PRIMARY KEY, or carries a trigger. Checked again only when the
    // file's schema has changed since the last check.
    void checkTable();

    // Call before each write: switches the file to WAL the first time.
    void beforeWrite();

    // A prepared statement from this connection's cache, reset and cleared
    // of its bindings when it goes out of scope: a reset statement holds no
    // lock, and the program's few statements are prepared only once.
    class CachedStatement {
    public:
        explicit CachedStatement(SQLite::Statement& statement) : statement_(statement) {}
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

    std::string path_;
    SQLite::Database db_;
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements_;
    int checkedSchemaVersion_ = -1;
    bool walChecked_ = false;
};

} // namespace store
