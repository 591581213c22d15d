// SPDX-License-Identifier: MIT
// verbrio-deck: fills, exports, checks, compacts and edits Verbrio decks.

#include "commandline.h"
#include "editorcommand.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // The editor is a window, and needs a QApplication of its own.
    if (argc > 1 && std::strcmp(argv[1], "edit") == 0)
        return runEditor(argc, argv);
    QCoreApplication app(argc, argv);
    QFile in, out, err;
    // The descriptors, not stdio's FILE: a write that fails (a full disk)
    // must fail at once, while the command can still say what it had done,
    // not at a flush after it has returned.
    in.open(STDIN_FILENO, QIODevice::ReadOnly);
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    deck::Console console{in, out, err};
    const int status = deck::runDeckTool(app.arguments(), console);
    if (!out.flush() && status == deck::kSuccess) {
        std::fputs("verbrio-deck: cannot write the output\n", stderr);
        return deck::kFailure;
    }
    return status;
}
