// SPDX-License-Identifier: MIT
#include "deck.h"

#include "connection.h"
#include "error.h"
#include "value.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>

namespace store {
namespace {

// IDs go to SQLite as one JSON array per chunk (json_each), so a chunk is
// one statement whatever its size; rows to insert go as one multi-row
// VALUES of up to kRowsPerInsert rows, within SQLite's 999 parameters.
constexpr std::size_t kIdsPerChunk = 4096;
constexpr std::size_t kRowsPerInsert = 300;

// The next-ID rule in SQL: one above the largest, and at least 1, since IDs
// below 1 are never drawn.
constexpr const char* kNextIdSql = "(SELECT max(coalesce(max(ID), 0), 0) + 1 FROM Questions)";

std::string text(SQLite::Statement& query, int column)
{
    return toText(columnValue(query.getColumn(column)));
}

std::string jsonIds(const std::vector<std::int64_t>& ids, std::size_t from, std::size_t to)
{
    std::string json = "[";
    for (std::size_t i = from; i < to; ++i) {
        if (i > from)
            json += ',';
        json += std::to_string(ids[i]);
    }
    return json + ']';
}

std::string insertSql(std::size_t rows)
{
    std::string sql = "INSERT INTO Questions (ID, Question, Description) VALUES ";
    for (std::size_t i = 0; i < rows; ++i)
        sql += i == 0 ? "(?, ?, ?)" : ", (?, ?, ?)";
    return sql;
}

// Inserts `entries` as they are, IDs included, one statement per chunk.
void insertChunks(SQLite::Database& db, const std::vector<Entry>& entries)
{
    for (std::size_t from = 0; from < entries.size(); from += kRowsPerInsert) {
        const std::size_t rows = std::min(kRowsPerInsert, entries.size() - from);
        SQLite::Statement insert(db, insertSql(rows));
        for (std::size_t i = 0; i < rows; ++i) {
            const Entry& entry = entries[from + i];
            const int at = static_cast<int>(i) * 3;
            insert.bind(at + 1, entry.id);
            insert.bind(at + 2, entry.term);
            insert.bind(at + 3, entry.definition);
        }
        insert.exec();
    }
}

std::string entryName(std::int64_t id)
{
    return "Entry " + std::to_string(id);
}

} // namespace

std::uint64_t fingerprint(std::string_view term, std::string_view definition)
{
    // The library's string hash reads 8 bytes at a time: a refresh hashes
    // every text of the deck.
    const std::uint64_t first = std::hash<std::string_view>{}(term);
    const std::uint64_t second = std::hash<std::string_view>{}(definition);
    return first ^ (second + 0x9E3779B97F4A7C15ULL + (first << 6) + (first >> 2));
}

DeckCounts countsOf(const std::vector<std::int64_t>& ids)
{
    DeckCounts counts;
    counts.count = static_cast<std::int64_t>(ids.size());
    if (ids.empty())
        return counts;
    counts.lowest = ids.front();
    counts.highest = ids.back();
    std::int64_t previous = 0; // a run of missing IDs from 1 counts too
    for (const std::int64_t id : ids) {
        if (id < 1) {
            ++counts.belowOne;
            continue;
        }
        if (id > previous + 1)
            ++counts.gaps;
        previous = id;
    }
    return counts;
}

Deck::Deck(Connection& connection) : connection_(connection) { }

template <class Work>
void Deck::write(Work&& work)
{
    // Inside the caller's transaction: part of it, committed with it.
    if (sqlite3_get_autocommit(connection_.db().getHandle()) == 0) {
        connection_.run(std::forward<Work>(work));
        return;
    }
    connection_.write([&] {
        // IMMEDIATE takes the write lock now, waiting out another writer,
        // rather than failing half-way.
        SQLite::Transaction transaction(connection_.db(), SQLite::TransactionBehavior::IMMEDIATE);
        work();
        transaction.commit();
    });
}

std::vector<std::int64_t> Deck::ids()
{
    return connection_.run([&] {
        auto query = connection_.prepare("SELECT ID FROM Questions ORDER BY ID");
        std::vector<std::int64_t> ids;
        while (query->executeStep())
            ids.push_back(query->getColumn(0).getInt64());
        return ids;
    });
}

std::optional<Entry> Deck::entry(std::int64_t id)
{
    return connection_.run([&]() -> std::optional<Entry> {
        auto query = connection_.prepare("SELECT Question, Description FROM Questions WHERE ID = ?1");
        query->bind(1, id);
        if (!query->executeStep())
            return std::nullopt;
        return Entry{id, text(*query, 0), text(*query, 1)};
    });
}

std::vector<Entry> Deck::entries(const std::vector<std::int64_t>& ids)
{
    std::vector<Entry> found;
    found.reserve(ids.size());
    connection_.run([&] {
        for (std::size_t from = 0; from < ids.size(); from += kIdsPerChunk) {
            auto query = connection_.prepare("SELECT ID, Question, Description FROM Questions "
                                             "WHERE ID IN (SELECT value FROM json_each(?1)) ORDER BY ID");
            query->bind(1, jsonIds(ids, from, std::min(ids.size(), from + kIdsPerChunk)));
            while (query->executeStep())
                found.push_back(Entry{query->getColumn(0).getInt64(), text(*query, 1), text(*query, 2)});
        }
    });
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return found;
}

void Deck::forEach(const std::function<void(const Entry&)>& visit)
{
    forEachText([&](std::int64_t id, std::string_view term, std::string_view definition) {
        visit(Entry{id, std::string(term), std::string(definition)});
    });
}

void Deck::forEachText(
    const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit)
{
    // A text column's text as SQLite holds it, without a copy; any other
    // value as a record shows it, in `spare`.
    const auto textOf = [](const SQLite::Column& column, std::string& spare) -> std::string_view {
        if (column.isText())
            return {column.getText(), std::size_t(column.getBytes())};
        spare = toText(columnValue(column));
        return spare;
    };
    connection_.run([&] {
        SQLite::Statement query(connection_.db(), "SELECT ID, Question, Description FROM Questions ORDER BY ID");
        std::string spareTerm, spareDefinition;
        while (query.executeStep())
            visit(query.getColumn(0).getInt64(), textOf(query.getColumn(1), spareTerm),
                  textOf(query.getColumn(2), spareDefinition));
    });
}

void Deck::fingerprints(std::vector<std::int64_t>& ids, std::vector<std::uint64_t>& prints)
{
    fingerprints(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), ids, prints);
}

void Deck::fingerprints(std::int64_t first, std::int64_t last, std::vector<std::int64_t>& ids,
                        std::vector<std::uint64_t>& prints)
{
    ids.clear();
    prints.clear();
    // SQLite's own interface, read in place: a refresh after another
    // program's change walks every entry, and a column object per field
    // would cost as much as the walk itself.
    sqlite3* db = connection_.db().getHandle();
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2 ORDER BY ID";
    int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> query(raw, &sqlite3_finalize);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(raw, 1, first);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int64(raw, 2, last);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        if ((rc = sqlite3_step(raw)) != SQLITE_ROW)
            break;
        const auto* term = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
        const std::string_view termText(term ? term : "", std::size_t(sqlite3_column_bytes(raw, 1)));
        const auto* definition = reinterpret_cast<const char*>(sqlite3_column_text(raw, 2));
        const std::string_view definitionText(definition ? definition : "", std::size_t(sqlite3_column_bytes(raw, 2)));
        ids.push_back(sqlite3_column_int64(raw, 0));
        prints.push_back(fingerprint(termText, definitionText));
    }
    if (rc != SQLITE_DONE)
        throw Error(sqlite3_errcode(db),
                    std::string(sqlite3_errmsg(db)) + " (database file '" + connection_.path() + "')");
}

std::vector<Record> Deck::records(std::int64_t lowest, std::int64_t highest, std::optional<std::int64_t> after,
                                  int limit, bool descending)
{
    // [descending][after]: read a few at a time, each query a read
    // transaction of its own.
    static constexpr const char* kSql[2][2] = {
        {"SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2 ORDER BY ID LIMIT ?4",
         "SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2 AND ID > ?3 ORDER BY ID LIMIT ?4"},
        {"SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2 ORDER BY ID DESC LIMIT ?4",
         "SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2 AND ID > ?3 "
         "ORDER BY ID DESC LIMIT ?4"},
    };
    return connection_.run([&] {
        auto query = connection_.prepare(kSql[descending ? 1 : 0][after ? 1 : 0]);
        query->bind(1, lowest);
        query->bind(2, highest);
        if (after)
            query->bind(3, *after);
        query->bind(4, limit);
        std::vector<Record> rows;
        while (query->executeStep())
            rows.push_back(
                {columnValue(query->getColumn(0)), columnValue(query->getColumn(1)), columnValue(query->getColumn(2))});
        return rows;
    });
}

bool Deck::hasEntryBetween(std::int64_t lowest, std::int64_t highest)
{
    return connection_.run([&] {
        auto query = connection_.prepare("SELECT EXISTS (SELECT 1 FROM Questions WHERE ID BETWEEN ?1 AND ?2)");
        query->bind(1, lowest);
        query->bind(2, highest);
        query->executeStep();
        return query->getColumn(0).getInt() != 0;
    });
}

std::vector<std::int64_t> Deck::idsMatching(std::int64_t first, std::int64_t last,
                                            const std::function<bool(std::string_view)>& test)
{
    return connection_.run([&] {
        auto query = connection_.prepare("SELECT ID, Question, Description FROM Questions WHERE ID BETWEEN ?1 AND ?2"
                                         " ORDER BY ID");
        query->bind(1, first);
        query->bind(2, last);
        std::vector<std::int64_t> ids;
        while (query->executeStep()) {
            // Read in place: no copy of a text that does not match.
            for (int column = 1; column <= 2; ++column) {
                const SQLite::Column field = query->getColumn(column);
                if (field.isNull())
                    continue;
                const char* bytes = field.getText();
                if (test(std::string_view(bytes, std::size_t(field.getBytes())))) {
                    ids.push_back(query->getColumn(0).getInt64());
                    break;
                }
            }
        }
        return ids;
    });
}

DeckCounts Deck::counts()
{
    return connection_.run([&] {
        DeckCounts counts;
        SQLite::Statement range(connection_.db(), "SELECT count(*), min(ID), max(ID), count(*) FILTER (WHERE ID < 1), "
                                                  "count(*) FILTER (WHERE coalesce(CAST(Question AS TEXT), '') = '' "
                                                  "AND coalesce(CAST(Description AS TEXT), '') = '') FROM Questions");
        range.executeStep();
        counts.count = range.getColumn(0).getInt64();
        counts.lowest = range.getColumn(1).getInt64();
        counts.highest = range.getColumn(2).getInt64();
        counts.belowOne = range.getColumn(3).getInt64();
        counts.blank = range.getColumn(4).getInt64();
        if (counts.highest >= 1) {
            // A run of missing IDs ends just below an entry whose predecessor
            // is missing; the largest ID is present, so every run is counted.
            SQLite::Statement gaps(connection_.db(),
                                   "SELECT count(*) FROM Questions AS q WHERE q.ID >= 2 "
                                   "AND NOT EXISTS (SELECT 1 FROM Questions AS p WHERE p.ID = q.ID - 1)");
            gaps.executeStep();
            counts.gaps = gaps.getColumn(0).getInt64();
        }
        return counts;
    });
}

std::optional<std::int64_t> Deck::largestId()
{
    return connection_.run([&]() -> std::optional<std::int64_t> {
        auto query = connection_.prepare("SELECT max(ID) FROM Questions");
        query->executeStep();
        if (query->getColumn(0).isNull())
            return std::nullopt;
        return query->getColumn(0).getInt64();
    });
}

std::optional<std::int64_t> Deck::nextId()
{
    // Compared before adding: the largest ID may be the largest SQLite holds.
    const std::int64_t largest = std::max<std::int64_t>(largestId().value_or(0), 0);
    if (largest >= kLargestReviewableId)
        return std::nullopt;
    return largest + 1;
}

std::int64_t Deck::room()
{
    const std::optional<std::int64_t> next = nextId();
    return next ? kLargestReviewableId - *next + 1 : 0;
}

void Deck::checkRoom(std::int64_t count)
{
    if (count > room())
        refuseFull(count);
}

void Deck::refuseFull(std::int64_t wanted)
{
    const DeckCounts now = counts();
    const std::int64_t fit = room();
    const std::string limit = std::to_string(kLargestReviewableId);
    std::string message = wanted == 1 || fit == 0 ? "The deck is full: its largest ID is " + std::to_string(now.highest)
                                                        + ", and a new entry may not get an ID above " + limit
                                                        + ", the largest the Review screen can draw."
                                                  : "Only " + std::to_string(fit) + " of the " + std::to_string(wanted)
                                                        + " new entries fit: new entries may not get an ID above "
                                                        + limit + ", the largest the Review screen can draw.";
    if (now.count + wanted <= kLargestReviewableId)
        message += " 'verbrio-deck compact' renumbers its " + std::to_string(now.count) + " entries 1 to "
                   + std::to_string(now.count) + " and makes room.";
    else
        message += " The deck cannot hold that many entries; put them in another deck.";
    throw Error(ErrorCode::DeckFull, message);
}

std::int64_t Deck::add(const std::string& term, const std::string& definition)
{
    if (term.empty() && definition.empty())
        throw Error(ErrorCode::BlankEntry, "An entry needs a term or a definition: an empty entry is not stored");
    int stored = 0;
    // The ID is found in the same statement as the insert, so another copy
    // of the program cannot take it in between.
    connection_.write([&] {
        auto insert = connection_.prepare(std::string("INSERT INTO Questions (ID, Question, Description) "
                                                      "SELECT next, ?1, ?2 FROM (SELECT ")
                                          + kNextIdSql + " AS next) WHERE next <= ?3");
        insert->bind(1, term);
        insert->bind(2, definition);
        insert->bind(3, kLargestReviewableId);
        stored = insert->exec();
    });
    if (stored == 0)
        refuseFull(1);
    return connection_.db().getLastInsertRowid();
}

void Deck::addAll(std::vector<Entry>& entries)
{
    for (const Entry& entry : entries)
        if (entry.blank())
            throw Error(ErrorCode::BlankEntry, "An entry needs a term or a definition: an empty entry is not stored");
    write([&] {
        checkRoom(static_cast<std::int64_t>(entries.size())); // under the write lock
        std::int64_t next = *nextId();
        for (Entry& entry : entries)
            entry.id = next++;
        insertChunks(connection_.db(), entries);
    });
}

void Deck::restore(std::vector<Entry>& entries)
{
    write([&] {
        // Which of their own IDs are taken now, one statement per chunk.
        std::vector<std::int64_t> wanted;
        wanted.reserve(entries.size());
        for (const Entry& entry : entries)
            wanted.push_back(entry.id);
        std::vector<std::int64_t> taken;
        for (std::size_t from = 0; from < wanted.size(); from += kIdsPerChunk) {
            auto query = connection_.prepare("SELECT ID FROM Questions WHERE ID IN (SELECT value FROM json_each(?1))");
            query->bind(1, jsonIds(wanted, from, std::min(wanted.size(), from + kIdsPerChunk)));
            while (query->executeStep())
                taken.push_back(query->getColumn(0).getInt64());
        }
        std::sort(taken.begin(), taken.end());
        // The others get new IDs above every ID there will be.
        std::int64_t largest = largestId().value_or(0);
        std::int64_t homeless = 0;
        for (const Entry& entry : entries) {
            if (std::binary_search(taken.begin(), taken.end(), entry.id))
                ++homeless;
            else
                largest = std::max(largest, entry.id);
        }
        // Held below the ceiling first: the largest ID may be the largest
        // SQLite holds, and one more would overflow.
        std::int64_t next = std::clamp<std::int64_t>(largest, 0, kLargestReviewableId) + 1;
        if (homeless > 0 && (largest >= kLargestReviewableId || next + homeless - 1 > kLargestReviewableId))
            refuseFull(homeless);
        for (Entry& entry : entries)
            if (std::binary_search(taken.begin(), taken.end(), entry.id))
                entry.id = next++;
        insertChunks(connection_.db(), entries);
    });
}

void Deck::expect(const std::vector<Entry>& expected)
{
    std::unordered_map<std::int64_t, const Entry*> byId;
    byId.reserve(expected.size());
    std::vector<std::int64_t> ids;
    ids.reserve(expected.size());
    for (const Entry& entry : expected) {
        byId.emplace(entry.id, &entry);
        ids.push_back(entry.id);
    }
    std::size_t found = 0;
    for (std::size_t from = 0; from < ids.size(); from += kIdsPerChunk) {
        auto query = connection_.prepare(
            "SELECT ID, Question, Description FROM Questions WHERE ID IN (SELECT value FROM json_each(?1))");
        query->bind(1, jsonIds(ids, from, std::min(ids.size(), from + kIdsPerChunk)));
        while (query->executeStep()) {
            const std::int64_t id = query->getColumn(0).getInt64();
            const Entry* wanted = byId.at(id);
            if (text(*query, 1) != wanted->term || text(*query, 2) != wanted->definition)
                throw Error(ErrorCode::ChangedElsewhere, entryName(id) + " was changed by another program");
            ++found;
        }
    }
    if (found == byId.size())
        return;
    // Say which one is gone.
    for (const Entry& entry : expected) {
        auto query = connection_.prepare("SELECT 1 FROM Questions WHERE ID = ?1");
        query->bind(1, entry.id);
        if (!query->executeStep())
            throw Error(ErrorCode::ChangedElsewhere, entryName(entry.id) + " was changed by another program");
    }
}

void Deck::change(const Entry& expected, const std::string& term, const std::string& definition)
{
    if (term.empty() && definition.empty())
        throw Error(ErrorCode::BlankEntry,
                    "An entry needs a term or a definition: delete the entry instead of emptying both");
    write([&] {
        expect({expected});
        auto update = connection_.prepare("UPDATE Questions SET Question = ?2, Description = ?3 WHERE ID = ?1");
        update->bind(1, expected.id);
        update->bind(2, term);
        update->bind(3, definition);
        update->exec();
    });
}

void Deck::remove(const std::vector<Entry>& expected)
{
    if (expected.empty())
        return;
    write([&] {
        expect(expected);
        std::vector<std::int64_t> ids;
        ids.reserve(expected.size());
        for (const Entry& entry : expected)
            ids.push_back(entry.id);
        for (std::size_t from = 0; from < ids.size(); from += kIdsPerChunk) {
            auto remove = connection_.prepare("DELETE FROM Questions WHERE ID IN (SELECT value FROM json_each(?1))");
            remove->bind(1, jsonIds(ids, from, std::min(ids.size(), from + kIdsPerChunk)));
            remove->exec();
        }
    });
}

void Deck::removeId(std::int64_t id)
{
    connection_.write([&] {
        auto remove = connection_.prepare("DELETE FROM Questions WHERE ID = ?1");
        remove->bind(1, id);
        remove->exec();
    });
}

std::int64_t Deck::renumber()
{
    std::int64_t moved = 0;
    write([&] {
        // Gives the entry with ID ids[i] the ID i + 1. The IDs ascend, so the
        // entries that move up (ID below their place, possible in files from
        // other programs) form a prefix and those that move down the rest.
        // Moving the prefix from its end and the rest from its start never
        // lands an entry on an ID still taken.
        const std::vector<std::int64_t> all = ids();
        SQLite::Statement move(connection_.db(), "UPDATE Questions SET ID = ?1 WHERE ID = ?2");
        const auto moveTo = [&](std::size_t i) {
            const auto place = static_cast<std::int64_t>(i) + 1;
            if (all[i] == place)
                return;
            move.bind(1, place);
            move.bind(2, all[i]);
            move.exec();
            move.reset();
            ++moved;
        };
        std::size_t upward = 0;
        while (upward < all.size() && all[upward] < static_cast<std::int64_t>(upward) + 1)
            ++upward;
        for (std::size_t i = upward; i > 0; --i)
            moveTo(i - 1);
        for (std::size_t i = upward; i < all.size(); ++i)
            moveTo(i);
    });
    return moved;
}

} // namespace store
