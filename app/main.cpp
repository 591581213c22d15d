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
    endRunOnSignalsAndSessionEnd(frmMain);
    guarded(&frmMain, [&] { frmMain.Form_Load(); });
    frmMain.show();
    return app.exec();
}
