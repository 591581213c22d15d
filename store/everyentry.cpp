// SPDX-License-Identifier: MIT
#include "everyentry.h"

#include "connection.h"
#include "value.h"

namespace store {

void forEachEntry(Connection& deck,
                  const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit)
{
    deck.checkTable();
    deck.run([&] {
        auto query = deck.prepare("SELECT ID, Question, Description FROM Questions ORDER BY ID");
        while (query->executeStep())
            visit(query->getColumn(0).getInt64(), toText(columnValue(query->getColumn(1))),
                  toText(columnValue(query->getColumn(2))));
    });
}

} // namespace store
