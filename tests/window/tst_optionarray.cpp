// SPDX-License-Identifier: MIT
// Option-button arrays: selection from code and by the user, clearing from
// code, and what runs the click handler.

#include "optionarray.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class OptionArrayTest : public QObject {
    Q_OBJECT

private slots:
    void handlerRunsOnlyOnSelection_data();
    void handlerRunsOnlyOnSelection();
};

void OptionArrayTest::handlerRunsOnlyOnSelection_data()
{
    // Actions: "set N" / "clear N" from code, "click N" with the mouse,
    // "focus N" from code, a key sent to the focused button, or "focused N":
    // button N has the focus now.
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("runs"); // each run of a handler: who selected ("again": reselected), which index
    QTest::addColumn<QString>("selected"); // Value of buttons 0 and 1 afterwards

    QTest::addRow("selecting from code runs the handler") << QStringList{"set 1"} << QStringList{"code 1"} << "01";
    QTest::addRow("selecting the selected button from code runs it again")
        << QStringList{"set 0", "set 0"} << QStringList{"code 0", "code 0"} << "10";
    QTest::addRow("selecting from code clears the other button")
        << QStringList{"set 0", "set 1"} << QStringList{"code 0", "code 1"} << "01";
    QTest::addRow("clearing from code runs nothing and leaves none selected")
        << QStringList{"set 0", "clear 0"} << QStringList{"code 0"} << "00";
    QTest::addRow("clearing the unselected button changes nothing")
        << QStringList{"set 0", "clear 1"} << QStringList{"code 0"} << "10";
    QTest::addRow("a user's click selects through the wrapper")
        << QStringList{"click 1"} << QStringList{"user 1"} << "01";
    QTest::addRow("a user's click moves the selection")
        << QStringList{"set 0", "click 1"} << QStringList{"code 0", "user 1"} << "01";
    QTest::addRow("a user's click on the selected button runs the reselect handler alone")
        << QStringList{"click 1", "click 1"} << QStringList{"user 1", "again 1"} << "01";
    QTest::addRow("space on the selected button runs the reselect handler alone")
        << QStringList{"click 0", "key Space"} << QStringList{"user 0", "again 0"} << "10";
    QTest::addRow("a click after clearing from code selects again")
        << QStringList{"set 0", "clear 0", "click 0"} << QStringList{"code 0", "user 0"} << "10";
    QTest::addRow("focus alone selects nothing") << QStringList{"focus 0", "focus 1"} << QStringList{} << "00";
    QTest::addRow("Tab into the group selects nothing")
        << QStringList{"focus 0", "key Tab", "key Tab"} << QStringList{} << "00";
    QTest::addRow("space on the focused button selects it")
        << QStringList{"focus 1", "key Space"} << QStringList{"user 1"} << "01";
    QTest::addRow("an arrow key from the selected button selects the next")
        << QStringList{"click 0", "key Down"} << QStringList{"user 0", "user 1"} << "01";
    QTest::addRow("Tab into the group lands on the selected button, not the last focused")
        << QStringList{"click 1", "focus 0", "key Tab", "key Shift+Tab", "focused 1"} << QStringList{"user 1"} << "01";
    QTest::addRow("Shift+Tab into the group lands on the selected button")
        << QStringList{"set 1", "focus 0", "key Shift+Tab", "key Tab", "focused 1"} << QStringList{"code 1"} << "01";
    QTest::addRow("with none selected, Tab enters at the first button")
        << QStringList{"set 1", "clear 1", "focus 1", "key Tab", "key Shift+Tab", "focused 0"} << QStringList{"code 1"}
        << "00";
}

void OptionArrayTest::handlerRunsOnlyOnSelection()
{
    QFETCH(QStringList, actions);
    QFETCH(QStringList, runs);
    QFETCH(QString, selected);

    // A group of two between two other focusable widgets.
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("before"), &window);
    auto* first = new QRadioButton(QStringLiteral("&First"), &window);
    auto* second = new QRadioButton(QStringLiteral("&Second"), &window);
    auto* after = new QPushButton(QStringLiteral("after"), &window);
    // Each as large as it needs: a click in its middle hits it.
    int top = 0;
    for (QWidget* widget : {static_cast<QWidget*>(before), static_cast<QWidget*>(first), static_cast<QWidget*>(second),
                            static_cast<QWidget*>(after)}) {
        widget->adjustSize();
        widget->move(0, top);
        top += widget->height() + 4;
    }

    QStringList ran;
    bool byUser = false;
    OptionArray array(
        {first, second},
        [&](std::int16_t index) { ran << QStringLiteral("%1 %2").arg(byUser ? "user" : "code").arg(index); },
        [&](std::function<void()> handler) {
            byUser = true;
            handler();
            byUser = false;
        });
    array.setReselectHandler([&](std::int16_t index) {
        QVERIFY(byUser);
        ran << QStringLiteral("again %1").arg(index);
    });

    window.show();
    window.activateWindow(); // also on an X server without a window manager
    QVERIFY(QTest::qWaitForWindowActive(&window));

    for (const QString& action : actions) {
        const QStringList words = action.split(QLatin1Char(' '));
        const int index = words[1].toInt();
        if (words[0] == QLatin1String("set")) {
            array.setValue(index, true);
            // The handler has run before the assignment returns.
            QVERIFY(!ran.isEmpty() && ran.last() == QStringLiteral("code %1").arg(index));
        } else if (words[0] == QLatin1String("clear")) {
            array.setValue(index, false);
        } else if (words[0] == QLatin1String("click")) {
            QTest::mouseClick(array[index], Qt::LeftButton);
        } else if (words[0] == QLatin1String("focused")) {
            QCOMPARE(QApplication::focusWidget(), array[index]);
        } else if (words[0] == QLatin1String("focus")) {
            array[index]->setFocus(Qt::OtherFocusReason);
            QCOMPARE(QApplication::focusWidget(), array[index]);
        } else {
            const QKeySequence key(words[1]);
            QTest::keyClick(QApplication::focusWidget(), key[0].key(), key[0].keyboardModifiers());
        }
    }

    QCOMPARE(ran, runs);
    QCOMPARE(QStringLiteral("%1%2").arg(int(array.Value(0))).arg(int(array.Value(1))), selected);
}

QTEST_MAIN(OptionArrayTest)
#include "tst_optionarray.moc"
