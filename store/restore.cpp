// SPDX-License-Identifier: MIT
#include "restore.h"

#include "connection.h"
#include "error.h"
#include "newentry.h"
#include "value.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace store {
namespace {

using Texts = std::pair<Value, Value>; // Question, Description, as stored

struct Row {
    std::int64_t id;
    Texts texts;
};

std::vector<Row> rowsOf(Connection& connection)
{
    return connection.run([&] {
        std::vector<Row> rows;
        SQLite::Statement query(connection.db(), "SELECT ID, Question, Description FROM Questions ORDER BY ID");
        while (query.executeStep())
            rows.push_back(
                {query.getColumn(0).getInt64(), {columnValue(query.getColumn(1)), columnValue(query.getColumn(2))}});
        return rows;
    });
}

void bindValue(SQLite::Statement& statement, int index, const Value& value)
{
    std::visit(
        [&](const auto& held) {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::monostate>)
                statement.bind(index);
            else
                statement.bind(index, held);
        },
        value);
}

std::string entries(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

} // namespace

RestoreCounts restoreMissing(Connection& deck, Connection& backup)
{
    const std::vector<Row> saved = rowsOf(backup);
    return deck.run([&] {
        // Decided under the write lock, so no other program's entry slips in
        // between the look and the writes.
        SQLite::Transaction transaction(deck.db(), SQLite::TransactionBehavior::IMMEDIATE);
        std::map<std::int64_t, Texts> held;
        std::set<Texts> heldTexts;
        for (Row& row : rowsOf(deck)) {
            heldTexts.insert(row.texts);
            held.emplace(row.id, std::move(row.texts));
        }

        RestoreCounts counts;
        std::vector<const Row*> ownIds, renumbered;
        std::int64_t largest = held.empty() ? 0 : held.rbegin()->first;
        for (const Row& row : saved) {
            const auto at = held.find(row.id);
            if (at != held.end() && at->second == row.texts) {
                ++counts.alreadyThere;
            } else if (at == held.end() && !heldTexts.contains(row.texts)) {
                ownIds.push_back(&row);
                largest = std::max(largest, row.id);
            } else {
                renumbered.push_back(&row);
            }
        }

        // The room below the Review screen's ceiling, before any write.
        const bool full = largest >= kLargestReviewableId; // and no overflow of the next ID
        const std::int64_t first = full ? kLargestReviewableId + 1 : std::max<std::int64_t>(largest, 0) + 1;
        const std::int64_t room = kLargestReviewableId - first + 1;
        if (static_cast<std::int64_t>(renumbered.size()) > room)
            throw Error(ErrorCode::NoRoomToRestore,
                        "Cannot restore from '" + backup.path() + "' to '" + deck.path()
                            + "': " + entries(renumbered.size()) + " would need new IDs above "
                            + std::to_string(std::max<std::int64_t>(largest, 0))
                            + ", but the Review screen draws IDs only up to " + std::to_string(kLargestReviewableId)
                            + ", so only " + std::to_string(room)
                            + " fit. Nothing was restored; 'verbrio-deck compact' renumbers the deck's "
                              "entries 1 to n and may make room.");

        SQLite::Statement insert(deck.db(), "INSERT INTO Questions (ID, Question, Description) VALUES (?1, ?2, ?3)");
        std::int64_t next = first;
        const auto add = [&](std::int64_t id, const Row& row) {
            insert.bind(1, id);
            bindValue(insert, 2, row.texts.first);
            bindValue(insert, 3, row.texts.second);
            insert.exec();
            insert.reset();
        };
        for (const Row* row : ownIds)
            add(row->id, *row);
        for (const Row* row : renumbered)
            add(next++, *row);
        transaction.commit();
        counts.ownIds = static_cast<long long>(ownIds.size());
        counts.renumbered = static_cast<long long>(renumbered.size());
        return counts;
    });
}

} // namespace store
