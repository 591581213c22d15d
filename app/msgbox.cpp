#include "msgbox.h"

#include "messages.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

#include <exception>
#include <new>

MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons)
{
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

ErrorReport currentError()
{
    try {
        throw;
    } catch (const store::Error& e) {
        return {e.number(), QString::fromStdString(e.description())};
    } catch (const std::bad_alloc&) {
        return {kOutOfMemoryError, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {static_cast<int>(store::ErrorCode::Internal), QString::fromUtf8(e.what())};
    } catch (...) {
        return {static_cast<int>(store::ErrorCode::Internal), QStringLiteral("Unknown error")};
    }
}

void reportError(QWidget* parent, const ErrorReport& error)
{
    MsgBox(parent, QStringLiteral("Error %1\r\n\r\n%2").arg(error.number).arg(error.description));
}
