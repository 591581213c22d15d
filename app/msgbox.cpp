#include "msgbox.h"

#include "messages.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

int MsgBox(QWidget* parent, const QString& prompt, int buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(messages::kApplicationTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (buttons == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    for (auto* button : box.buttons())
        button->setIcon(QIcon()); // plain buttons, like the box itself
    const int pressed = box.exec();
    if (buttons == vbYesNo)
        return pressed == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}

void reportError(QWidget* parent, int number, const QString& description)
{
    MsgBox(parent, QStringLiteral("Error %1\r\n\r\n%2").arg(number).arg(description));
}
