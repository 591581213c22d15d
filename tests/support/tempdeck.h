#pragma once

// A database file in a fresh temporary directory, for tests: never the user's.

#include "schema.h"

#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

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
        if (create) {
            SQLite::Database db(path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec(store::kCreateQuestionsTable);
            insert(db, entries);
        }
    }

    std::string directory() const { return dir_.path().toStdString(); }
    std::string path() const { return dir_.filePath(store::kDatabaseFileName).toStdString(); }

    void add(const std::vector<TestEntry>& entries)
    {
        SQLite::Database db(path(), SQLite::OPEN_READWRITE);
        insert(db, entries);
    }

    // Entries with IDs 1..n, texts "term i" and "definition i".
    static std::vector<TestEntry> numbered(std::int64_t n)
    {
        std::vector<TestEntry> entries;
        for (std::int64_t i = 1; i <= n; ++i)
            entries.push_back({i, "term " + std::to_string(i), "definition " + std::to_string(i)});
        return entries;
    }

    // Every entry in the file, in ascending ID order, read by a connection of
    // its own (so what the program has committed, not what it holds).
    std::vector<TestEntry> entries() const
    {
        SQLite::Database db(path(), SQLite::OPEN_READONLY);
        SQLite::Statement query(db, "SELECT ID, coalesce(Question, ''), coalesce(Description, '') FROM Questions ORDER BY ID");
        std::vector<TestEntry> result;
        while (query.executeStep())
            result.push_back({query.getColumn(0).getInt64(), query.getColumn(1).getString(), query.getColumn(2).getString()});
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
