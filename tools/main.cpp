// verbrio-deck: fills, exports, checks, compacts and edits Verbrio decks.

#include "commandline.h"
#include "editorcommand.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // The editor is a window, and needs a QApplication of its own.
    if (argc > 1 && std::strcmp(argv[1], "edit") == 0)
        return runEditor(argc, argv);
    QCoreApplication app(argc, argv);
    QFile in, out, err;
    in.open(stdin, QIODevice::ReadOnly);
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    deck::Console console{in, out, err};
    const int status = deck::runDeckTool(app.arguments(), console);
    if (!out.flush() && status == deck::kSuccess) {
        std::fputs("verbrio-deck: cannot write the output\n", stderr);
        return deck::kFailure;
    }
    return status;
}
