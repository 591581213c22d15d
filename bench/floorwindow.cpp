// The floor for start-up: the least a Qt Widgets program does to show an
// empty window of Verbrio's size.
#include "layout.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(layout::kClientWidth / layout::kTwipsPerPixel, layout::kClientHeight / layout::kTwipsPerPixel);
    window.show();
    return app.exec();
}
