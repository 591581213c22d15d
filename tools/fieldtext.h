#pragma once

#include <string>

namespace SQLite {
class Column;
}

namespace deck {

// A column of Questions as the window's text boxes show it: NULL as empty
// text, numbers written out. Files from other programs may hold any type.
std::string fieldText(const SQLite::Column& column);

} // namespace deck
