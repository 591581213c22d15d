// SPDX-License-Identifier: MIT
// The program as a desktop with a larger font starts it: the same window and
// start-up, with the application's font at VERBRIO_E2E_FONT_POINTS points
// (13 unless given).

#include "frmmain.h"
#include "messages.h"
#include "msgbox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(messages::kApplicationTitle);
    QFont font = QApplication::font();
    bool given = false;
    const double points = qEnvironmentVariable("VERBRIO_E2E_FONT_POINTS").toDouble(&given);
    font.setPointSizeF(given && points > 0 ? points : 13.0);
    QApplication::setFont(font);

    FrmMain frmMain(QApplication::applicationDirPath());
    guarded(&frmMain, [&] { frmMain.Form_Load(); });
    frmMain.show();
    return app.exec();
}
