// SPDX-License-Identifier: MIT
#include "benchdeck.h"

#include "schema.h"

#include <QFile>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <random>
#include <stdexcept>

namespace {

// Words of 2 to 10 letters, `length` characters in all.
std::string words(std::mt19937& engine, int length)
{
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> wordLength(2, 10);
    std::string text;
    text.reserve(static_cast<std::size_t>(length));
    int untilSpace = wordLength(engine);
    while (static_cast<int>(text.size()) < length) {
        const bool space = untilSpace-- == 0 && static_cast<int>(text.size()) < length - 1;
        if (space)
            untilSpace = wordLength(engine);
        text += space ? ' ' : static_cast<char>(letter(engine));
    }
    return text;
}

std::string textOf(std::int64_t id, int field, int shortest, int longest)
{
    std::mt19937 engine(static_cast<std::uint32_t>(id * 2 + field));
    return words(engine, std::uniform_int_distribution<int>(shortest, longest)(engine));
}

// `text` with each of its letters a to z turned into one of а to ъ.
std::string inCyrillic(const std::string& text)
{
    std::string cyrillic;
    for (const char c : text) {
        if (c < 'a' || c > 'z') {
            cyrillic += c;
            continue;
        }
        const int letter = 0x430 + c - 'a'; // two bytes in UTF-8
        cyrillic += static_cast<char>(0xC0 | (letter >> 6));
        cyrillic += static_cast<char>(0x80 | (letter & 0x3F));
    }
    return cyrillic;
}

} // namespace

BenchDeck::BenchDeck(const std::vector<std::int64_t>& ids, TextLengths lengths, Script script)
{
    const auto inScript = [script](const std::string& text) {
        return script == Script::Cyrillic ? inCyrillic(text) : text;
    };
    SQLite::Database db(path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    // A small cache: a benchmark of memory must not inherit pages the set-up
    // touched.
    db.exec("PRAGMA cache_size = 16");
    db.exec("PRAGMA journal_mode = WAL");
    db.exec(store::kCreateQuestionsTable);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO Questions (ID, Question, Description) VALUES (?1, ?2, ?3)");
    for (const std::int64_t id : ids) {
        insert.bind(1, id);
        insert.bind(2, inScript(term(id, lengths)));
        insert.bind(3, inScript(definition(id, lengths)));
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

BenchDeck BenchDeck::copyOf(const BenchDeck& other)
{
    BenchDeck copy;
    if (!QFile::copy(QString::fromStdString(other.path()), QString::fromStdString(copy.path())))
        throw std::runtime_error("cannot copy " + other.path());
    return copy;
}

std::string BenchDeck::path() const
{
    return dir_.filePath(store::kDatabaseFileName).toStdString();
}

long BenchDeck::entryCount() const
{
    SQLite::Database db(path(), SQLite::OPEN_READONLY);
    return db.execAndGet("SELECT count(*) FROM Questions").getInt();
}

std::vector<std::int64_t> BenchDeck::consecutive(std::int64_t n)
{
    std::vector<std::int64_t> ids;
    for (std::int64_t id = 1; id <= n; ++id)
        ids.push_back(id);
    return ids;
}

std::vector<std::int64_t> BenchDeck::spread(std::int64_t count, std::int64_t largest)
{
    std::vector<std::int64_t> ids;
    for (std::int64_t i = 0; i < count; ++i)
        ids.push_back(count == 1 ? largest : 1 + i * (largest - 1) / (count - 1));
    return ids;
}

std::string BenchDeck::term(std::int64_t id, TextLengths lengths)
{
    return textOf(id, 0, lengths.termMin, lengths.termMax);
}

std::string BenchDeck::definition(std::int64_t id, TextLengths lengths)
{
    return textOf(id, 1, lengths.definitionMin, lengths.definitionMax);
}
