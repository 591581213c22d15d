#include "frmmain.h"
#include "messages.h"
#include "msgbox.h"
#include "orderlyend.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(messages::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(VERBRIO_VERSION));

    FrmMain frmMain(QApplication::applicationDirPath());
    endRunOnSignalsAndSessionEnd(frmMain);
    guarded(&frmMain, [&] { frmMain.Form_Load(); });
    frmMain.show();
    return app.exec();
}
