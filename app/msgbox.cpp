// SPDX-License-Identifier: MIT
#include "msgbox.h"

#include "messages.h"
#include "orderlyend.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons)
{
    // Once a signal has asked the run to end, nobody is there to answer: the
    // box is taken as answered with Esc (No, or OK).
    if (endRequested())
        return buttons == MsgBoxButtons::YesNo ? MsgBoxResult::No : MsgBoxResult::OK;
    QMessageBox box(parent);
    box.setWindowTitle(messages::kApplicationTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // A message can be copied: an error to pass on, an entry to keep.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (buttons == MsgBoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    for (auto* button : box.buttons())
        button->setIcon(QIcon()); // plain buttons, like the box itself
    const int pressed = box.exec();
    if (buttons == MsgBoxButtons::YesNo)
        return pressed == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
    return MsgBoxResult::OK;
}

void reportError(QWidget* parent, const ErrorReport& error)
{
    MsgBox(parent, QStringLiteral("Error %1\r\n\r\n%2").arg(error.number).arg(error.description));
}
