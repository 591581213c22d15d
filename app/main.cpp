// SPDX-License-Identifier: MIT
#include "displaycheck.h"
#include "frmmain.h"
#include "messages.h"
#include "msgbox.h"
#include "orderlyend.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    const DisplayCheck display;
    if (!display.problem().empty()) {
        std::fprintf(stderr, "Verbrio: %s.\n", display.problem().c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(messages::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(VERBRIO_VERSION));
    // Groups the window with its desktop entry (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(VERBRIO_ID));

    FrmMain frmMain(QApplication::applicationDirPath());
    // A signal ends the run as "E&xit" does: the entry being typed is stored
    // as the window goes, and the file is left whole.
    endRunOnSignals(&frmMain, [&] { guarded(&frmMain, [&] { frmMain.endBySignal(); }); });
    // A session save stores the entry being typed as OK does, and the drill
    // goes on: the Create screen waits with a new, empty entry.
    storeOnSessionSave(&frmMain, [&] {
        guarded(&frmMain, [&] {
            if (!frmMain.Data1.isOpen())
                return;
            store::RecordSet& entries = frmMain.Data1.Recordset();
            if (entries.pending() && !entries.holdsRefusedEntry() && entries.typedEntry())
                frmMain.cmdOK_Click();
            frmMain.Data1.settleFile();
        });
    });
    guarded(&frmMain, [&] { frmMain.Form_Load(); });
    if (endRequested())
        return 0; // a signal came while a start-up box was up
    frmMain.show();
    return app.exec();
}
