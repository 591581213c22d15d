// SPDX-License-Identifier: MIT
#pragma once

// Database files that are missing, damaged, foreign or hostile, or odd in
// content, made by name at a path in a directory of the test's own. The
// store's tests say what error each refused kind raises; the window's tests
// say what the user sees of some of them.

#include "schema.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <SQLiteCpp/Database.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace badfile {

inline void sql(const QString& path, const std::vector<std::string>& statements)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    for (const auto& statement : statements)
        db.exec(statement);
}

inline void bytes(const QString& path, const QByteArray& content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

inline QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray content(size, Qt::Uninitialized);
    for (char& c : content)
        c = char(random());
    return content;
}

inline const std::string kTable = store::kCreateQuestionsTable;
inline const std::string kTwoEntries =
    "INSERT INTO Questions VALUES (1, 'term 1', 'definition 1'), (2, 'term 2', 'definition 2')";
inline const std::string kOtherTable = "CREATE TABLE Other (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT)";

// A table Questions with these columns and constraints.
inline std::function<void(const QString&)> questions(const std::string& definition)
{
    return [definition](const QString& path) { sql(path, {"CREATE TABLE Questions (" + definition}); };
}

struct Maker {
    const char* name;
    std::function<void(const QString& path)> make;
};

inline const std::vector<Maker>& makers()
{
    static const std::vector<Maker> all = {
        // Refused as they stand.
        {"missing", [](const QString&) {}},
        {"zero bytes", [](const QString& path) { bytes(path, {}); }},
        {"random bytes", [](const QString& path) { bytes(path, randomBytes(8192, 7)); }},
        {"older desktop-database format",
         [](const QString& path) {
             QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
             bytes(path, jet + QByteArray(4096 - jet.size(), '\0'));
         }},
        {"SQLite header, damaged table pages",
         [](const QString& path) {
             sql(path, {kTable, kTwoEntries});
             QByteArray content = [&] {
                 QFile f(path);
                 f.open(QIODevice::ReadOnly);
                 return f.readAll();
             }();
             const QByteArray junk = randomBytes(int(content.size()) - 4096, 11);
             content.replace(4096, junk.size(), junk); // every page after the first, the schema
             bytes(path, content);
         }},
        {"a directory of that name", [](const QString& path) { QDir().mkdir(path); }},
        {"no table Questions", [](const QString& path) { sql(path, {kOtherTable}); }},
        {"a view named Questions",
         [](const QString& path) {
             sql(path, {kOtherTable, "CREATE VIEW Questions AS SELECT * FROM Other"});
         }},
        {"no column Question", questions("ID INTEGER PRIMARY KEY, Description TEXT)")},
        {"no column Description", questions("ID INTEGER PRIMARY KEY, Question TEXT)")},
        {"no column ID", questions("Question TEXT, Description TEXT)")},
        {"ID a text key", questions("ID TEXT PRIMARY KEY, Question TEXT, Description TEXT)")},
        {"ID an integer but not the key", questions("ID INTEGER, Question TEXT, Description TEXT)")},
        {"ID INT PRIMARY KEY", questions("ID INT PRIMARY KEY, Question TEXT, Description TEXT)")},
        // Declared INTEGER PRIMARY KEY, but DESC makes it an ordinary column
        // that can hold NULL, text or a real number, not the row's integer key.
        {"ID INTEGER PRIMARY KEY DESC",
         [](const QString& path) {
             sql(path, {"CREATE TABLE Questions (ID INTEGER PRIMARY KEY DESC, Question TEXT, Description TEXT)",
                        "INSERT INTO Questions VALUES (2.5, 'a', 'b'), (NULL, 'c', 'd')"});
         }},
        {"key of two columns", questions("ID INTEGER, Question TEXT, Description TEXT, PRIMARY KEY (ID, Question))")},
        {"WITHOUT ROWID", questions("ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT) WITHOUT ROWID")},
        {"a trigger on the table",
         [](const QString& path) {
             sql(path,
                 {kTable, kTwoEntries, "CREATE TABLE Log (Note TEXT)",
                  "CREATE TRIGGER Spy AFTER INSERT ON Questions BEGIN INSERT INTO Log VALUES (new.Question); END"});
         }},
        // A few hundred bytes that would build gigabytes of text on each read
        // or write (printf is harmless by SQLite's own measure).
        {"a generated column", questions("ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT, "
                                         "Pad TEXT GENERATED ALWAYS AS (printf('%.*c', 1000000000, 'x')))")},
        {"a CHECK constraint", questions("ID INTEGER PRIMARY KEY, Question TEXT, \"Description\" TEXT, "
                                         "CONSTRAINT [check] check (length(printf('%.*c', 1000000000, 'x')) > 0))")},
        {"an index on an expression",
         [](const QString& path) {
             sql(path, {kTable, "CREATE INDEX Heavy ON Questions (printf('%.*c', 1000000000, Question))"});
         }},
        {"a partial index",
         [](const QString& path) {
             sql(path, {kTable, "CREATE INDEX Part ON Questions (Question) WHERE length(printf('%.*c', 9, 'x')) > 0"});
         }},
        // Opened, though odd.
        {"CHECK only in names and texts",
         [](const QString& path) {
             sql(path, {"CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT DEFAULT 'check', "
                        "Description TEXT, \"check\" TEXT, checked TEXT) -- check",
                        "INSERT INTO Questions (ID, Question, Description) VALUES (1, 'term 1', 'definition 1'), "
                        "(2, 'term 2', 'definition 2')",
                        "CREATE INDEX Plain ON Questions (Description, Question)"});
         }},
        {"views beside the table",
         [](const QString& path) {
             sql(path, {kTable, kTwoEntries, "CREATE VIEW Recent AS SELECT * FROM Questions WHERE ID > 1",
                        "CREATE VIEW Noisy AS SELECT randomblob(16), load_extension('nothing') FROM Questions"});
         }},
        {"numbers, blobs and NULLs in the text fields",
         [](const QString& path) {
             sql(path,
                 {kTable, "INSERT INTO Questions VALUES (1, 42, 2.5), (2, NULL, NULL), (3, X'00FF10', X'DEADBEEF')"});
         }},
        {"invalid UTF-8 bytes",
         [](const QString& path) {
             sql(path,
                 {kTable,
                  "INSERT INTO Questions VALUES (1, CAST(X'41FF42C0AF' AS TEXT), CAST(X'EDA080F0908080' AS TEXT))"});
         }},
        {"texts of one megabyte",
         [](const QString& path) {
             sql(path, {kTable, "INSERT INTO Questions VALUES (1, 'T' || replace(hex(zeroblob(499999)), '00', 'tt'), "
                                "'D' || replace(hex(zeroblob(499999)), '00', 'dd'))"});
         }},
        {"only IDs below 1",
         [](const QString& path) {
             sql(path,
                 {kTable,
                  "INSERT INTO Questions VALUES (0, 'term 0', 'definition 0'), (-3, 'term -3', 'definition -3')"});
         }},
        {"largest ID 32768",
         [](const QString& path) {
             sql(path, {kTable, "INSERT INTO Questions VALUES (1, 'term 1', 'definition 1'), (32768, 'term 32768', "
                                "'definition 32768')"});
         }},
    };
    return all;
}

// Makes the file named `name` at `path`; false for an unknown name.
inline bool make(const QString& name, const QString& path)
{
    for (const auto& maker : makers()) {
        if (name == QLatin1String(maker.name)) {
            maker.make(path);
            return true;
        }
    }
    return false;
}

} // namespace badfile
