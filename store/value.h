// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace SQLite {
class Column;
}

namespace store {

// The value of one field: NULL, a whole number, a real number or text.
// A file written by another program can hold any of them in any column.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

// The field as text, the way a bound text box shows it: NULL as empty text.
std::string toText(const Value& value);

// A column of a query's row as a Value, whatever type the file stored.
Value columnValue(const SQLite::Column& column);

// The value as a 16-bit signed integer, rounding a real number to the nearest
// whole one. Raises ErrorCode::Overflow outside -32768 to 32767, and
// ErrorCode::TypeMismatch for NULL or text.
std::int16_t toInt16(const Value& value);

} // namespace store
