#include "decksource.h"

#include "connection.h"
#include "deckerror.h"
#include "value.h"

#include <SQLiteCpp/Statement.h>

namespace deck {

void readDeckSource(const SourceInput& input, const ReadOptions&, SourceSink& sink)
{
    if (input.path.empty())
        throw usageError("a deck cannot be read from standard input: give its file name");
    store::Connection source(input.path, store::Connection::Access::ReadOnly);
    source.checkTable();
    source.run([&] {
        SQLite::Statement query(source.db(), "SELECT ID, Question, Description FROM Questions ORDER BY ID");
        while (query.executeStep())
            sink.entry({static_cast<long>(query.getColumn(0).getInt64()),
                        store::toText(store::columnValue(query.getColumn(1))),
                        store::toText(store::columnValue(query.getColumn(2)))});
    });
}

} // namespace deck
