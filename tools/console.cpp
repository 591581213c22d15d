// SPDX-License-Identifier: MIT
#include "console.h"

#include "deckerror.h"

#include <QIODevice>

namespace deck {

void write(QIODevice& device, const std::string& text)
{
    if (device.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        throw deckError(DeckErrorCode::CannotWrite, "Cannot write the output: " + device.errorString().toStdString());
}

void say(QIODevice& device, const std::string& line)
{
    write(device, line + "\n");
}

} // namespace deck
