#include "fieldtext.h"

#include "value.h"

#include <SQLiteCpp/Column.h>
#include <sqlite3.h>

namespace deck {

std::string fieldText(const SQLite::Column& column)
{
    switch (column.getType()) {
    case SQLITE_NULL: return store::toText(store::Value{});
    case SQLITE_INTEGER: return store::toText(column.getInt64());
    case SQLITE_FLOAT: return store::toText(column.getDouble());
    default: return column.getString(); // text, or a blob's bytes
    }
}

} // namespace deck
