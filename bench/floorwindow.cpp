// SPDX-License-Identifier: MIT
// The floor for start-up: the least a Qt Widgets program does to show an
// empty window of Verbrio's size. With --text the window also shows one line
// of text, the least any window with a caption does: Qt then loads the font
// database first, which an empty window never needs.
#include "layout.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(layout::kClientWidth / layout::kTwipsPerPixel, layout::kClientHeight / layout::kTwipsPerPixel);
    if (QApplication::arguments().contains(QStringLiteral("--text")))
        new QLabel(QStringLiteral("Show"), &window);
    window.show();
    return app.exec();
}
