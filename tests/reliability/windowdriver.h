#pragma once

// Driving the real window as a user does, for the reliability tests: clicks
// that land where a user's would, typing, and quiet output.

#include "textbox.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QRadioButton>
#include <QTest>

// Access keys click through QAbstractButton::animateClick, which holds the
// button down on a 100 ms timer; deliver that timer's event at once, so that
// thousands of actions take seconds rather than minutes.
inline void finishAnimatedClicks(QWidget* window)
{
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isDown())
            continue;
        for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(button)) {
            QTimerEvent event(timer.timerId);
            QCoreApplication::sendEvent(button, &event);
        }
    }
}

// A mouse click on a button, or on an option's round mark, where a click
// always lands. The handler runs as for the user: its errors go to the
// default error report. A hidden button cannot be clicked: false.
inline bool click(QAbstractButton* button)
{
    if (!button->isVisible())
        return false;
    const QPoint at = qobject_cast<QRadioButton*>(button) ? QPoint(7, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
    return true;
}

// Typing at the end of a box, one key per character.
inline void typeInto(TextBox* box, const QString& text)
{
    box->widget()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box->widget(), Qt::Key_End, qobject_cast<QLineEdit*>(box->widget()) ? Qt::NoModifier : Qt::ControlModifier);
    for (const char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, box->widget(), Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
}

// The offscreen platform's complaints about fonts and size hints, repeated on
// every window, would bury the tests' own output.
inline QtMessageHandler& qtMessageHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")) || message.contains(QLatin1String("OpenType support missing")))
        return;
    qtMessageHandler()(type, context, message);
}

inline void quietPlatformWarnings()
{
    qtMessageHandler() = qInstallMessageHandler(quietMessageHandler);
}
