// verbrio-deck: fills, exports, checks and compacts Verbrio decks.

#include "commandline.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
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
