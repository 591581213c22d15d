#pragma once

// The main window on a temporary database, started as the program starts it,
// shown and active, and driven by real key events sent where the keyboard
// focus is.

#include "frmmain.h"
#include "tempdeck.h"
#include "textbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QTest>

// Access keys click through QAbstractButton::animateClick, 100 ms later.
inline constexpr int kAnimatedClickMs = 150;

class OpenWindow {
public:
    explicit OpenWindow(const std::vector<TestEntry>& entries = TempDeck::numbered(3), bool create = true)
        : deck(entries, create), w(QString::fromStdString(deck.directory()))
    {
        w.Form_Load();
        w.show();
        w.activateWindow();
    }

    // Access keys and Enter need the window active; QVERIFY this first.
    bool active()
    {
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        return QApplication::activeWindow() == &w;
    }

    template <class Widget = QWidget>
    Widget* control(const QString& name)
    {
        return w.findChild<Widget*>(name);
    }

    // "none", "create", "review" (terms shown) or "definitions" (the Review
    // screen showing the definition box). Set up from code: the handlers run
    // as they would for the user.
    void showScreen(const QString& screen)
    {
        if (screen == QLatin1String("create"))
            w.optScreen->setValue(0, true);
        if (screen == QLatin1String("review") || screen == QLatin1String("definitions"))
            w.optScreen->setValue(1, true);
        if (screen == QLatin1String("definitions"))
            w.optShow->setValue(1, true);
    }

    // Name of the widget that has the keyboard focus.
    static QString focusName()
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QString();
    }

    // Sends each key combination to the focused widget, as a keyboard would.
    void press(const QKeySequence& keys)
    {
        for (int i = 0; i < keys.count(); ++i) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
            QTest::keyClick(target, keys[i].key(), keys[i].keyboardModifiers());
        }
    }

    void type(const QString& text)
    {
        QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : &w, text);
    }

    // Names of the window's push buttons in the order they are clicked from now on.
    QStringList* recordClicks()
    {
        for (auto* button : w.findChildren<QPushButton*>())
            QObject::connect(button, &QAbstractButton::clicked, &w, [this, button] { clicked_ << button->objectName(); });
        return &clicked_;
    }

    TempDeck deck; // outlives the window, which settles a pending entry as it goes
    FrmMain w;

private:
    QStringList clicked_;
};
