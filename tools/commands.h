// SPDX-License-Identifier: MIT
#pragma once

#include "console.h"

#include <QStringList>

class QCommandLineParser;

namespace deck {

// One command as the user gave it: its parsed options, its arguments (after
// the command's name) and where it reads and writes.
struct Invocation {
    const QCommandLineParser& parser;
    QStringList arguments;
    Console& console;
};

// The commands. Each writes its results to the console's output and raises
// store::Error on failure, DeckErrorCode::Usage for wrong usage.
void runInit(const Invocation& call);
void runImport(const Invocation& call);
void runExport(const Invocation& call);
void runCheck(const Invocation& call);
void runCompact(const Invocation& call);
void runRestore(const Invocation& call);

} // namespace deck
