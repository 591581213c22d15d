// SPDX-License-Identifier: MIT
#pragma once

// The program's window driven as a user drives it: started as the program
// starts it, clicked where a click lands, typed into with real key events,
// and read back as the user sees it. TestWindow is such a window on a deck of
// its own, with chosen draws for the random pick.

#include "frmmain.h"
#include "optionarray.h"
#include "randomsources.h"
#include "recordsource.h"
#include "tempdeck.h"
#include "textbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTest>

#include <SQLiteCpp/Database.h>

#include <vector>

// Makes `window` active again, as a window manager does once a message box
// closes (offscreen, a closed box hands the activation back to no one).
// Access keys and Enter need it.
inline bool activate(QWidget& window)
{
    if (QApplication::activeWindow() == &window)
        return true;
    window.activateWindow();
    // Most often the platform's events are already queued: handle them
    // before waiting in steps of 10 ms.
    QCoreApplication::processEvents();
    if (QApplication::activeWindow() == &window)
        return true;
    return QTest::qWaitForWindowActive(&window) && QApplication::activeWindow() == &window;
}

// Starts `w` as the program starts its window: Form_Load, then shown and
// active. False when it did not become active.
inline bool startWindow(FrmMain& w)
{
    w.Form_Load();
    w.show();
    return activate(w);
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

// Typing into `target` at its cursor, one key per character (one outside the
// BMP too, as an input method sends it); a line break is the Return key.
inline void typeKeys(QWidget* target, const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n')
            QTest::keyClick(target, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
    }
}

// The focus in a box, as a click gives it, and the cursor at the end of its
// text (which also clears a selection).
inline void focusAtEnd(TextBox* box)
{
    box->widget()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box->widget(), Qt::Key_End,
                    qobject_cast<QLineEdit*>(box->widget()) ? Qt::NoModifier : Qt::ControlModifier);
}

// Typing at the end of a box.
inline void typeInto(TextBox* box, const QString& text)
{
    focusAtEnd(box);
    typeKeys(box->widget(), text);
}

// Name of the widget that has the keyboard focus.
inline QString focusName()
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

// The screen as the user sees it: which panel shows, which option is selected.
inline QString screenOf(const FrmMain& w)
{
    const bool create = w.pbxCreate->isVisible();
    const bool review = w.pbxReview->isVisible();
    const QString panels = create && review ? QStringLiteral("both panels")
                           : create         ? QStringLiteral("Create panel")
                           : review         ? QStringLiteral("Review panel")
                                            : QStringLiteral("no panel");
    const bool createOption = w.optScreen->Value(0);
    const bool reviewOption = w.optScreen->Value(1);
    const QString option = createOption && reviewOption ? QStringLiteral("both options")
                           : createOption               ? QStringLiteral("Create option")
                           : reviewOption               ? QStringLiteral("Review option")
                                                        : QStringLiteral("no option");
    return panels + QStringLiteral(", ") + option;
}

inline const QString kNoScreen = QStringLiteral("no panel, no option");
inline const QString kCreateScreen = QStringLiteral("Create panel, Create option");
inline const QString kReviewScreen = QStringLiteral("Review panel, Review option");

// The drill on the Review screen as the user sees it.
inline QString drillText(bool termsSide, const QString& caption, bool termBoxShown, bool definitionBoxShown)
{
    const auto shown = [](bool visible) { return visible ? QStringLiteral("visible") : QStringLiteral("hidden"); };
    return (termsSide ? QStringLiteral("terms") : QStringLiteral("definitions")) + QStringLiteral(" side, caption ")
           + caption + QStringLiteral(", term box ") + shown(termBoxShown) + QStringLiteral(", definition box ")
           + shown(definitionBoxShown);
}

inline QString drillOf(const FrmMain& w)
{
    return drillText(w.optShow->Value(0), w.cmdShow->text(), w.txtOutQuestion->isVisible(),
                     w.txtOutAnswer->isVisible());
}

// Entries as "ID: term / definition" lines, for comparisons that read well.
inline QStringList listed(const std::vector<TestEntry>& entries)
{
    QStringList lines;
    for (const auto& e : entries)
        lines << QStringLiteral("%1: %2 / %3")
                     .arg(e.id)
                     .arg(QString::fromStdString(e.question), QString::fromStdString(e.description));
    return lines;
}

// The program's window on a deck of its own holding `entries` (no file at
// all unless `createFile`), started and active, drawing `values` in turn.
class TestWindow {
public:
    explicit TestWindow(const std::vector<TestEntry>& entries = {}, std::vector<float> values = {0.0f},
                        bool createFile = true)
        : deck(entries, createFile), draws(std::move(values)), w(QString::fromStdString(deck.directory()))
    {
        w.setRandomSource(&draws);
        static_cast<void>(startWindow(w)); // tests that need the keyboard verify active()
    }

    bool active() { return activate(w); }

    template <class Widget = QWidget>
    Widget* control(const QString& name)
    {
        return w.findChild<Widget*>(name);
    }

    // The user's choice of a screen, 0 Create or 1 Review: the option is
    // selected and its handler runs, also when it was selected already.
    void choose(int screen) { w.optScreen->setValue(screen, true); }

    // "none", "create", "review", or "definitions" (the Review screen showing
    // the definition box), reached through the handlers.
    void reach(const QString& screen)
    {
        if (screen == QLatin1String("create"))
            choose(0);
        if (screen == QLatin1String("review") || screen == QLatin1String("definitions"))
            choose(1);
        if (screen == QLatin1String("definitions"))
            w.optShow->setValue(1, true);
    }

    // Gives the keyboard focus to the named control; false if it did not take it.
    bool focusOn(const QString& name)
    {
        control(name)->setFocus(Qt::OtherFocusReason);
        return focusName() == name;
    }

    // Each key combination to the focused widget, as a keyboard sends it, one
    // right after the other: no timer runs in between, so a click that Qt
    // would delay (an animated one) has not happened by the next key.
    void press(const QKeySequence& keys)
    {
        for (int i = 0; i < keys.count(); ++i)
            QTest::keyClick(focusOrWindow(), keys[i].key(), keys[i].keyboardModifiers());
    }

    // One step of a user's as the tables write it; empty when it was done,
    // else why not. "keys K": QKeySequence text K to the focused control;
    // "click NAME": the mouse on a button or option; "focus NAME": a click
    // into a box; "type TEXT" where the focus is; "tab to NAME": Tab until
    // NAME has the focus; "choose N": optScreen N selected from code;
    // "file with N entries": the missing file appears, holding N entries;
    // "sql STATEMENT": the file changed behind the program's back.
    QString perform(const QString& step)
    {
        const QString argument = step.section(QLatin1Char(' '), 1);
        if (step.startsWith(QLatin1String("keys "))) {
            press(QKeySequence(argument));
        } else if (step.startsWith(QLatin1String("click "))) {
            if (!click(control<QAbstractButton>(argument)))
                return QStringLiteral("no visible button %1").arg(argument);
        } else if (step.startsWith(QLatin1String("focus "))) {
            if (!focusOn(argument))
                return QStringLiteral("%1 did not take the focus").arg(argument);
        } else if (step.startsWith(QLatin1String("type "))) {
            type(argument);
        } else if (step.startsWith(QLatin1String("tab to "))) {
            const QString target = step.section(QLatin1Char(' '), 2);
            for (int i = 0; i < 20 && focusName() != target; ++i)
                press(QKeySequence(Qt::Key_Tab));
            if (focusName() != target)
                return QStringLiteral("Tab never reached %1").arg(target);
        } else if (step.startsWith(QLatin1String("choose "))) {
            choose(argument.toInt());
        } else if (step.startsWith(QLatin1String("sql "))) {
            execOnFile(argument.toUtf8().constData());
        } else if (step.startsWith(QLatin1String("file with "))) {
            TempDeck::createAt(deck.path(), TempDeck::numbered(step.section(QLatin1Char(' '), 2, 2).toInt()));
        } else {
            return QStringLiteral("no such step: ") + step;
        }
        // A message box the step opened has closed by now; the window manager
        // gives the window the activation back.
        if (w.isVisible() && !active())
            return QStringLiteral("the window did not become active again");
        return {};
    }

    // Each step in turn, up to the first that fails: why it did, else empty.
    QString perform(const QStringList& steps)
    {
        for (const QString& step : steps) {
            if (const QString failed = perform(step); !failed.isEmpty())
                return step + QStringLiteral(": ") + failed;
        }
        return {};
    }

    // Typing where the keyboard focus is, at the cursor.
    void type(const QString& text) { typeKeys(focusOrWindow(), text); }
    void typeTerm(const QString& text) { typeInto(w.txtInQuestion, text); }
    void typeDefinition(const QString& text) { typeInto(w.txtInAnswer, text); }

    bool pending() { return w.Data1.isOpen() && w.Data1.Recordset().pending(); }
    bool narrowedToOneEntry() const
    {
        return QString::fromStdString(w.Data1.RecordSource()).startsWith(QLatin1String(store::kOneEntryQuery));
    }

    // The widget with the keyboard focus once the window is active again.
    QWidget* focused() { return activate(w) ? QApplication::focusWidget() : nullptr; }
    bool focusInTerm() { return focused() == w.txtInQuestion; }

    // Names of the window's push buttons in the order they are clicked from now on.
    QStringList* recordClicks()
    {
        for (auto* button : w.findChildren<QPushButton*>())
            QObject::connect(button, &QAbstractButton::clicked, &w,
                             [this, button] { clicked_ << button->objectName(); });
        return &clicked_;
    }

    // What the file holds.
    QStringList stored() const { return listed(deck.entries()); }

    // Changes the file behind the program's back, through a connection of its own.
    void execOnFile(const char* sql)
    {
        SQLite::Database db(deck.path(), SQLite::OPEN_READWRITE);
        db.exec(sql);
    }

    TempDeck deck; // outlives the window, which settles a pending entry as it goes
    DrawSequence draws;
    FrmMain w;

private:
    QWidget* focusOrWindow() { return QApplication::focusWidget() ? QApplication::focusWidget() : &w; }

    QStringList clicked_;
};

// The offscreen platform's complaints about fonts and size hints, repeated on
// every window, would bury the tests' own output.
inline QtMessageHandler& qtMessageHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints"))
        || message.contains(QLatin1String("OpenType support missing")))
        return;
    qtMessageHandler()(type, context, message);
}

inline void quietPlatformWarnings()
{
    qtMessageHandler() = qInstallMessageHandler(quietMessageHandler);
}
