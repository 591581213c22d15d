#include "editorcommand.h"

#include "commandline.h"
#include "connection.h"
#include "databasepath.h"
#include "deckwindow.h"
#include "error.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <memory>

int runEditor(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Verbrio Deck"_qs);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Opens a window to browse, search, edit, add and delete the entries of a deck."_qs);
    parser.addHelpOption();
    parser.addPositionalArgument(u"edit"_qs, u"The command."_qs, u"edit"_qs);
    parser.addPositionalArgument(u"FILE"_qs, u"The deck to edit; the Verbrio.mdb beside verbrio-deck if left out."_qs, u"[FILE]"_qs);
    parser.process(app);
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 2) {
        std::fprintf(stderr, "verbrio-deck: too many arguments for edit: '%s'\nTry 'verbrio-deck edit --help'.\n",
                     qPrintable(arguments[2]));
        return deck::kWrongUsage;
    }
    const QString path = arguments.size() == 2
                             ? arguments[1]
                             : QString::fromStdString(store::databasePath(QApplication::applicationDirPath().toStdString()));

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
    window->show();
    return app.exec();
}
