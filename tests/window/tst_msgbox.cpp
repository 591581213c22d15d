// SPDX-License-Identifier: MIT
// Message boxes as the program shows them, and the wrapper that turns an
// error escaping a handler into one of them.

#include "messageboxes.h"
#include "msgbox.h"

#include <QLabel>
#include <QtTest>

#include <functional>
#include <new>
#include <stdexcept>

using Throw = std::function<void()>;
Q_DECLARE_METATYPE(Throw)

class MsgBoxTest : public QObject {
    Q_OBJECT

private slots:
    void boxShowsPlainTextUnderTheProgramTitle_data();
    void boxShowsPlainTextUnderTheProgramTitle();
    void resultNamesTheButtonPressed_data();
    void resultNamesTheButtonPressed();
    void escapingErrorBecomesOneReport_data();
    void escapingErrorBecomesOneReport();
};

void MsgBoxTest::boxShowsPlainTextUnderTheProgramTitle_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QMessageBox::StandardButtons>("standardButtons");

    const QMessageBox::StandardButtons ok(QMessageBox::Ok);
    const QMessageBox::StandardButtons yesNo(QMessageBox::Yes | QMessageBox::No);
    QTest::addRow("OK only") << "Hello" << int(MsgBoxButtons::OKOnly) << "Hello" << ok;
    QTest::addRow("markup shows literally")
        << "<b>bold</b> & <i>file.mdb</i>" << int(MsgBoxButtons::OKOnly) << "<b>bold</b> & <i>file.mdb</i>" << ok;
    QTest::addRow("CR LF starts a new line")
        << "one\r\ntwo\r\n\r\nfour" << int(MsgBoxButtons::OKOnly) << "one\ntwo\n\nfour" << ok;
    QTest::addRow("Yes and No") << "Sure?\r\nReally?" << int(MsgBoxButtons::YesNo) << "Sure?\nReally?" << yesNo;
}

void MsgBoxTest::boxShowsPlainTextUnderTheProgramTitle()
{
    QFETCH(QString, prompt);
    QFETCH(int, buttons);
    QFETCH(QString, shown);
    QFETCH(QMessageBox::StandardButtons, standardButtons);

    QWidget parent;
    MessageBoxes boxes;
    MsgBox(&parent, prompt, MsgBoxButtons(buttons));

    QCOMPARE(boxes.shown.size(), 1);
    const ShownMessageBox& box = boxes.shown[0];
    QCOMPARE(box.title, QStringLiteral("Verbrio"));
    QCOMPARE(box.text, shown);
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, standardButtons);
    if (MsgBoxButtons(buttons) == MsgBoxButtons::YesNo)
        QCOMPARE(box.defaultButton, QMessageBox::Yes);
}

void MsgBoxTest::resultNamesTheButtonPressed_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("answer"); // a BoxAnswer: a button clicked, or a key pressed where the box's focus is
    QTest::addColumn<int>("result");

    QTest::addRow("OK") << int(MsgBoxButtons::OKOnly) << int(BoxAnswer::Yes) << int(MsgBoxResult::OK);
    QTest::addRow("Yes") << int(MsgBoxButtons::YesNo) << int(BoxAnswer::Yes) << int(MsgBoxResult::Yes);
    QTest::addRow("No") << int(MsgBoxButtons::YesNo) << int(BoxAnswer::No) << int(MsgBoxResult::No);
    QTest::addRow("Enter answers Yes") << int(MsgBoxButtons::YesNo) << int(BoxAnswer::Enter) << int(MsgBoxResult::Yes);
    QTest::addRow("Esc answers No") << int(MsgBoxButtons::YesNo) << int(BoxAnswer::Esc) << int(MsgBoxResult::No);
}

void MsgBoxTest::resultNamesTheButtonPressed()
{
    QFETCH(int, buttons);
    QFETCH(int, answer);
    QFETCH(int, result);

    QWidget parent;
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    MessageBoxes boxes({BoxAnswer(answer)});

    QCOMPARE(int(MsgBox(&parent, QStringLiteral("Continue?"), MsgBoxButtons(buttons))), result);
    QCOMPARE(boxes.shown.size(), 1);
}

void MsgBoxTest::escapingErrorBecomesOneReport_data()
{
    QTest::addColumn<Throw>("handler");
    QTest::addColumn<QString>("report"); // empty: no box

    QTest::addRow("store error") << Throw([] { throw store::Error(3021, "No current record"); })
                                 << "Error 3021\n\nNo current record";
    QTest::addRow("negative number") << Throw([] { throw store::Error(-7, "odd"); }) << "Error -7\n\nodd";
    QTest::addRow("description with markup") << Throw([] { throw store::Error(14, "Cannot open '<b>x.mdb</b>'"); })
                                             << "Error 14\n\nCannot open '<b>x.mdb</b>'";
    QTest::addRow("standard exception") << Throw([] {
        throw std::runtime_error("disk on fire");
    }) << QStringLiteral("Error %1\n\ndisk on fire").arg(int(store::ErrorCode::Internal));
    QTest::addRow("out of memory") << Throw([] { throw std::bad_alloc(); })
                                   << QStringLiteral("Error %1\n\nOut of memory").arg(kOutOfMemoryError);
    QTest::addRow("not an exception class")
        << Throw([] { throw 42; }) << QStringLiteral("Error %1\n\nUnknown error").arg(int(store::ErrorCode::Internal));
    QTest::addRow("no error") << Throw([] {}) << "";
}

void MsgBoxTest::escapingErrorBecomesOneReport()
{
    QFETCH(Throw, handler);
    QFETCH(QString, report);

    QWidget parent;
    MessageBoxes boxes;
    guarded(&parent, handler); // returns: nothing escapes to the caller

    if (report.isEmpty()) {
        QVERIFY(boxes.shown.isEmpty());
        return;
    }
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, report);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Verbrio"));
    QCOMPARE(boxes.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.shown[0].format, Qt::PlainText);
}

QTEST_MAIN(MsgBoxTest)
#include "tst_msgbox.moc"
