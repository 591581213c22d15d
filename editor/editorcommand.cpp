// SPDX-License-Identifier: MIT
#include "editorcommand.h"

#include "commandline.h"
#include "connection.h"
#include "databasepath.h"
#include "deckwindow.h"
#include "displaycheck.h"
#include "error.h"
#include "orderlyend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace {

constexpr const char* kDescription =
    "Opens a window to browse, search, edit, add and delete the entries of the deck FILE.";

int wrongUsage(const QString& problem)
{
    std::fprintf(stderr, "verbrio-deck: %s\nTry 'verbrio-deck edit --help'.\n", qPrintable(problem));
    return deck::kWrongUsage;
}

} // namespace

int runEditor(int argc, char* argv[])
{
    // The arguments first, without a display: --help and wrong usage need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({u"h"_qs, u"help"_qs}, u"Shows this help."_qs);
    parser.addOption(help);
    parser.addPositionalArgument(u"edit"_qs, u"The command."_qs, u"edit"_qs);
    parser.addPositionalArgument(
        u"FILE"_qs,
        u"The deck to edit; the Verbrio.mdb beside verbrio-deck if left out and there is one, else "
        u"one chosen in a file dialog."_qs,
        u"[FILE]"_qs);
    if (!parser.parse(arguments))
        return wrongUsage(parser.errorText());
    if (parser.isSet(help)) {
        // Qt's first line names the executable's path, not the command.
        std::printf("Usage: verbrio-deck edit [FILE]\n%s\nExit status: 0 success, 1 failure, 2 wrong usage.\n",
                    qPrintable(parser.helpText().section(u'\n', 1)));
        return deck::kSuccess;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 2)
        return wrongUsage(u"too many arguments for edit: '"_qs + positional[2] + u"'"_qs);

    // Without a display Qt would abort with a core dump.
    const DisplayCheck display;
    if (!display.problem().empty()) {
        std::fprintf(stderr, "verbrio-deck: %s.\n", display.problem().c_str());
        return deck::kFailure;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Verbrio Deck"_qs); // also the class of its windows
    QGuiApplication::setDesktopFileName(QStringLiteral(VERBRIO_ID ".Deck"));
    QString path = positional.size() == 2
                       ? positional[1]
                       : QString::fromStdString(store::databasePath(QApplication::applicationDirPath().toStdString()));
    // Without a deck beside the tool (run from a build folder), the user chooses one.
    if (positional.size() < 2 && !QFileInfo::exists(path)) {
        path = QFileDialog::getOpenFileName(nullptr, u"Open Deck - Verbrio Deck"_qs, QDir::homePath(),
                                            u"Decks (*.mdb);;All files (*)"_qs);
        if (path.isEmpty())
            return deck::kSuccess; // the user chose none
    }

    // The file is opened and its table checked before any window shows: a
    // file the editor would damage is refused.
    std::unique_ptr<store::Connection> deck;
    std::unique_ptr<DeckWindow> window;
    try {
        deck = std::make_unique<store::Connection>(QFile::encodeName(path).toStdString());
        window = std::make_unique<DeckWindow>(*deck, path);
    } catch (const store::Error& e) {
        std::fprintf(stderr, "verbrio-deck: %s\n", e.what());
        QMessageBox::critical(nullptr, u"Verbrio Deck"_qs, QString::fromStdString(e.description()));
        return deck::kFailure;
    }
    // SIGTERM, SIGINT, SIGHUP and the session's end store a pending edit
    // and leave the file whole, as closing the window does.
    endRunOnSignals(window.get(), [&window] { window->endRun(); });
    storeOnSessionSave(window.get(), [&window] { window->storePending(); });
    DeckWindow::rememberDeck(path);
    window->show();
    const int status = app.exec();
    window.reset();
    deck->leaveWal(); // no -wal or -shm file outlives the editor
    return status;
}
