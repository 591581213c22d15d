// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class QIODevice;

namespace deck {

// Where a run of the tool reads and writes: the standard streams in the
// program, buffers in the tests.
struct Console {
    QIODevice& in;
    QIODevice& out;
    QIODevice& err;
};

// Writes all of `text`, raising DeckErrorCode::CannotWrite when it cannot.
void write(QIODevice& device, const std::string& text);
// Writes `line` and a line end.
void say(QIODevice& device, const std::string& line);

} // namespace deck
