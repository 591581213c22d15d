// SPDX-License-Identifier: MIT
#pragma once

// A database file in a fresh temporary directory, for tests: never the user's;
// and what a test reads of a deck file from outside the program.

#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TestEntry {
    std::int64_t id;
    std::string question;
    std::string description;
    bool operator==(const TestEntry&) const = default;
};

class TempDeck {
public:
    // Creates Verbrio.mdb with the Questions table (and `entries`) unless
    // `create` is false, when the directory is left empty.
    explicit TempDeck(const std::vector<TestEntry>& entries = {}, bool create = true)
    {
        if (create)
            createAt(path(), entries);
    }

    // A deck file at `path`, in a directory that exists.
    static void createAt(const std::string& path, const std::vector<TestEntry>& entries = {})
    {
        SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(store::kCreateQuestionsTable);
        insert(db, entries);
    }

    // The -wal of another deck holding `entries`, its writer killed before a
    // checkpoint: what a file beside a deck may be that is not its own.
    static QByteArray foreignWal(const std::vector<TestEntry>& entries)
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("other.mdb").toStdString();
        createAt(path);
        SQLite::Database writer(path, SQLite::OPEN_READWRITE);
        writer.exec("PRAGMA journal_mode = WAL");
        insert(writer, entries);
        QFile wal(QString::fromStdString(path + "-wal"));
        return wal.open(QIODevice::ReadOnly) ? wal.readAll() : QByteArray();
    }

    std::string directory() const { return dir_.path().toStdString(); }
    std::string path() const { return dir_.filePath(store::kDatabaseFileName).toStdString(); }

    // Entries with the given IDs, texts "term ID" and "definition ID".
    static std::vector<TestEntry> withIds(const QList<qint64>& ids)
    {
        std::vector<TestEntry> entries;
        for (const auto id : ids)
            entries.push_back({id, "term " + std::to_string(id), "definition " + std::to_string(id)});
        return entries;
    }

    // Entries with IDs 1..n.
    static std::vector<TestEntry> numbered(std::int64_t n)
    {
        QList<qint64> ids;
        for (std::int64_t i = 1; i <= n; ++i)
            ids << i;
        return withIds(ids);
    }

    // Every entry in the file, in ascending ID order, read by a connection of
    // its own (so what the program has committed, not what it holds).
    std::vector<TestEntry> entries() const { return entriesAt(path()); }

    static std::vector<TestEntry> entriesAt(const std::string& path)
    {
        SQLite::Database db(path, SQLite::OPEN_READONLY);
        SQLite::Statement query(
            db, "SELECT ID, coalesce(Question, ''), coalesce(Description, '') FROM Questions ORDER BY ID");
        std::vector<TestEntry> result;
        while (query.executeStep())
            result.push_back(
                {query.getColumn(0).getInt64(), query.getColumn(1).getString(), query.getColumn(2).getString()});
        return result;
    }

private:
    static void insert(SQLite::Database& db, const std::vector<TestEntry>& entries)
    {
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(db, "INSERT INTO Questions (ID, Question, Description) VALUES (?1, ?2, ?3)");
        for (const auto& e : entries) {
            insert.bind(1, e.id);
            insert.bind(2, e.question);
            insert.bind(3, e.description);
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    }

    QTemporaryDir dir_;
};

inline QList<qint64> idsOf(const std::vector<TestEntry>& entries)
{
    QList<qint64> ids;
    for (const auto& e : entries)
        ids << e.id;
    return ids;
}

// Whether one of `entries` has this term and definition.
inline bool holds(const std::vector<TestEntry>& entries, const QString& term, const QString& definition)
{
    return std::any_of(entries.begin(), entries.end(), [&](const TestEntry& e) {
        return QString::fromStdString(e.question) == term && QString::fromStdString(e.description) == definition;
    });
}

// The file's bytes, or a note of what stands at its path instead: two
// snapshots are equal only if nothing was created, removed or written.
inline QByteArray snapshot(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return "(missing)";
    if (info.isDir())
        return "(directory) " + QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(' ').toUtf8();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

inline QByteArray snapshot(const std::string& path)
{
    return snapshot(QString::fromStdString(path));
}

// SQLite's integrity check, "ok" for a sound file. Read-write, so that a
// journal left by a killed writer is rolled back first, as the program would.
inline QString integrityOf(const std::string& path)
{
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    return QString::fromStdString(db.execAndGet("PRAGMA integrity_check").getString());
}
