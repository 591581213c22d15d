// SPDX-License-Identifier: MIT
#include "value.h"

#include "error.h"

#include <SQLiteCpp/Column.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <limits>

namespace store {

std::string toText(const Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *real);
        return buffer;
    }
    return {};
}

Value columnValue(const SQLite::Column& column)
{
    switch (column.getType()) {
    case SQLITE_INTEGER: return column.getInt64();
    case SQLITE_FLOAT: return column.getDouble();
    case SQLITE_NULL: return std::monostate{};
    default: return column.getString(); // text, or a blob's bytes
    }
}

std::int16_t toInt16(const Value& value)
{
    double number = 0;
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        number = static_cast<double>(*integer);
    else if (const auto* real = std::get_if<double>(&value))
        number = std::nearbyint(*real);
    else
        throw Error(ErrorCode::TypeMismatch, "Type mismatch: '" + toText(value) + "' is not a whole number");

    constexpr auto lowest = std::numeric_limits<std::int16_t>::min();
    constexpr auto highest = std::numeric_limits<std::int16_t>::max();
    if (!(number >= lowest && number <= highest))
        throw Error(ErrorCode::Overflow,
                    "Overflow: " + toText(value) + " does not fit a 16-bit integer (-32768 to 32767)");
    return static_cast<std::int16_t>(number);
}

} // namespace store
