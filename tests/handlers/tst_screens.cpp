// SPDX-License-Identifier: MIT
// Choosing a screen: every transition of the screen handler, the empty-table
// message, what Review resets and keeps, and each failed step with the step
// the handler resumes at.

#include "messageboxes.h"
#include "operationseam.h"
#include "testwindow.h"

#include <QtTest>

#include <memory>

namespace {

enum Failure { ForcedError, FailAfterOperation, StandardError };

void verifyPlainOkBox(const ShownMessageBox& box)
{
    QCOMPARE(box.title, QStringLiteral("Verbrio"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.format, Qt::PlainText);
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

private slots:
    void choosingAScreenReachesItsState_data();
    void choosingAScreenReachesItsState();
    void reviewResetsTheSideAndKeepsTheCaption_data();
    void reviewResetsTheSideAndKeepsTheCaption();
    void createFromReviewReopensWholeTableBeforeAddNew();
    void failedStepResumesAtItsSuccessor_data();
    void failedStepResumesAtItsSuccessor();
    void errorInsideRecoveryGoesToErrorReportAndStops();
    void unopenableDatabaseIsReportedAndHandlerGoesOn_data();
    void unopenableDatabaseIsReportedAndHandlerGoesOn();
};

void TestScreens::choosingAScreenReachesItsState_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("screen");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("to");

    // An empty table keeps the panels as they were and clears the option.
    const std::pair<const char*, QString> froms[] = {{"none", kNoScreen},
                                                     {"create", QStringLiteral("Create panel, no option")},
                                                     {"review", QStringLiteral("Review panel, no option")}};
    for (const auto& [from, emptyReview] : froms) {
        for (const bool empty : {false, true}) {
            const char* table = empty ? "empty table" : "entries";
            QTest::addRow("from %s, Create, %s", from, table) << from << 0 << empty << kCreateScreen;
            QTest::addRow("from %s, Review, %s", from, table)
                << from << 1 << empty << (empty ? emptyReview : kReviewScreen);
        }
    }
}

void TestScreens::choosingAScreenReachesItsState()
{
    QFETCH(QString, from);
    QFETCH(int, screen);
    QFETCH(bool, empty);
    QFETCH(QString, to);

    TestWindow window(TempDeck::numbered(3), {0.5f});
    MessageBoxes boxes;
    window.reach(from);
    if (empty)
        window.execOnFile("DELETE FROM Questions");

    window.choose(screen);

    QCOMPARE(screenOf(window.w), to);
    if (screen == 0) {
        // A new, empty entry waits for the user's typing in the term box.
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(window.pending());
        QCOMPARE(window.w.txtInQuestion->text(), QString());
        QCOMPARE(window.w.txtInAnswer->text(), QString());
        QVERIFY(window.focusInTerm());
    } else if (empty) {
        QCOMPARE(boxes.texts(), QStringList{kNoEntriesText});
        verifyPlainOkBox(boxes.shown.first());
    } else {
        // The drill starts on the terms side with the entry drawn (0.5 of 3: ID 2).
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(window.w.optShow->Value(0));
        QVERIFY(!window.w.optShow->Value(1));
        QVERIFY(window.w.txtOutQuestion->isVisible());
        QVERIFY(!window.w.txtOutAnswer->isVisible());
        QCOMPARE(window.w.txtOutQuestion->text(), QStringLiteral("term 2"));
        QCOMPARE(window.w.txtOutAnswer->text(), QStringLiteral("definition 2"));
        QVERIFY(window.narrowedToOneEntry());
    }
}

void TestScreens::reviewResetsTheSideAndKeepsTheCaption_data()
{
    QTest::addColumn<bool>("definitions");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("caption");

    QTest::addRow("left on definitions before the reveal") << true << 0 << QStringLiteral("Show");
    QTest::addRow("left on definitions after the reveal") << true << 1 << QStringLiteral("Next");
    QTest::addRow("left on terms after the reveal") << false << 1 << QStringLiteral("Next");
    QTest::addRow("left on terms after Next") << false << 2 << QStringLiteral("Show");
}

void TestScreens::reviewResetsTheSideAndKeepsTheCaption()
{
    QFETCH(bool, definitions);
    QFETCH(int, presses);
    QFETCH(QString, caption);

    TestWindow window(TempDeck::numbered(2), {0.0f, 0.9f});
    MessageBoxes boxes;
    window.choose(1);
    if (definitions)
        click((*window.w.optShow)[1]);
    for (int i = 0; i < presses; ++i)
        click(window.w.cmdShow);
    window.choose(0);
    window.choose(1);

    QCOMPARE(screenOf(window.w), kReviewScreen);
    QCOMPARE(drillOf(window.w), drillText(true, caption, true, false));
    QVERIFY(!window.w.optShow->Value(1));
    QVERIFY(boxes.shown.isEmpty());
}

void TestScreens::createFromReviewReopensWholeTableBeforeAddNew()
{
    TestWindow window(TempDeck::numbered(3), {0.9f});
    window.choose(1);
    QCOMPARE(window.w.txtOutQuestion->text(), QStringLiteral("term 3"));

    OperationSeam seam(window.w.Data1);
    QString sourceAtAddNew;
    store::Value currentAtAddNew;
    seam.onOperation = [&](const QString& operation) {
        if (operation != QLatin1String("AddNew"))
            return;
        sourceAtAddNew = QString::fromStdString(window.w.Data1.RecordSource());
        currentAtAddNew = window.w.Data1.Recordset().current()->id;
    };
    window.choose(0);

    QCOMPARE(seam.trace, (QStringList{"Refresh", "AddNew"}));
    QCOMPARE(sourceAtAddNew, QStringLiteral("Questions"));
    // The whole table again: its first entry, not the one drawn, was current.
    QCOMPARE(currentAtAddNew, store::Value(std::int64_t(1)));
    QCOMPARE(screenOf(window.w), kCreateScreen);
    QCOMPARE(window.w.txtInQuestion->text(), QString());
}

void TestScreens::failedStepResumesAtItsSuccessor_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("screen");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("pending");

    const QStringList pick{"MoveLast", "Fields", "Refresh", "RecordCount"};
    const QStringList connectFailed{kOpenFailedText, forcedDetailText("Refresh")};

    // Failed step                              from, screen, operation, n, failure,
    //                                          operations seen, messages, resulting screen, entry pending
    QTest::addRow("C3 reopen fails: C4 still begins an entry")
        << "none" << 0 << "Refresh" << 1 << int(ForcedError) << QStringList{"Refresh", "AddNew"} << connectFailed
        << kCreateScreen << true;
    QTest::addRow("C3 reopen meets a non-store error: reported all the same")
        << "none" << 0 << "Refresh" << 1 << int(StandardError) << QStringList{"Refresh", "AddNew"}
        << QStringList{kOpenFailedText, QStringLiteral("%1:  disk on fire").arg(int(store::ErrorCode::Internal))}
        << kCreateScreen << true;
    QTest::addRow("C4 AddNew fails: cancelled, then C5")
        << "none" << 0 << "AddNew" << 1 << int(ForcedError) << QStringList{"Refresh", "AddNew", "CancelUpdate"}
        << QStringList{} << kCreateScreen << false;
    QTest::addRow("failure once the entry is begun: cancelled")
        << "none" << 0 << "AddNew" << 1 << int(FailAfterOperation) << QStringList{"Refresh", "AddNew", "CancelUpdate"}
        << QStringList{} << kCreateScreen << false;
    QTest::addRow("R1 reopen fails: R2 counts what is open")
        << "none" << 1 << "Refresh" << 1 << int(ForcedError) << QStringList{"Refresh", "RecordCount"} + pick
        << connectFailed << kReviewScreen << false;
    QTest::addRow("R2 count fails from No screen: the no-entries message")
        << "none" << 1 << "RecordCount" << 1 << int(ForcedError) << QStringList{"Refresh", "RecordCount"}
        << QStringList{kNoEntriesText} << kNoScreen << false;
    QTest::addRow("R2 count fails from Create: the panel stays")
        << "create" << 1 << "RecordCount" << 1 << int(ForcedError) << QStringList{"Refresh", "RecordCount"}
        << QStringList{kNoEntriesText} << "Create panel, no option" << false;
    QTest::addRow("R8 MoveLast fails: returns without a word")
        << "none" << 1 << "MoveLast" << 1 << int(ForcedError) << QStringList{"Refresh", "RecordCount", "MoveLast"}
        << QStringList{} << kReviewScreen << false;
    QTest::addRow("R8 draw fails: returns without a word")
        << "none" << 1 << "Refresh" << 2 << int(ForcedError)
        << QStringList{"Refresh", "RecordCount", "MoveLast", "Fields", "Refresh"} << QStringList{} << kReviewScreen
        << false;
}

void TestScreens::failedStepResumesAtItsSuccessor()
{
    QFETCH(QString, from);
    QFETCH(int, screen);
    QFETCH(QString, operation);
    QFETCH(int, occurrence);
    QFETCH(int, failure);
    QFETCH(QStringList, trace);
    QFETCH(QStringList, messages);
    QFETCH(QString, to);
    QFETCH(bool, pending);

    TestWindow window(TempDeck::numbered(3));
    MessageBoxes boxes;
    window.reach(from);
    OperationSeam seam(window.w.Data1);
    if (failure == ForcedError) {
        seam.failAt(operation, occurrence);
    } else if (failure == StandardError) {
        seam.onOperation = [operation](const QString& name) {
            if (name == operation)
                throw std::runtime_error("disk on fire");
        };
    } else {
        // The operation itself succeeds; the first change of the current
        // record after it raises the error.
        auto armed = std::make_shared<bool>(false);
        seam.onOperation = [armed, operation](const QString& name) { *armed = *armed || name == operation; };
        window.w.Data1.hooks.currentChanged = [armed, show = window.w.Data1.hooks.currentChanged] {
            show();
            if (std::exchange(*armed, false))
                throw store::Error(kForcedError, "forced failure after the operation");
        };
    }

    window.choose(screen);

    QCOMPARE(seam.trace, trace);
    QCOMPARE(boxes.texts(), messages);
    QCOMPARE(screenOf(window.w), to);
    QCOMPARE(window.pending(), pending);
    if (screen == 0) {
        QVERIFY(window.focusInTerm()); // C5 ran after the recovery
    } else if (to == kReviewScreen) {
        QVERIFY(window.w.optShow->Value(0));
        QVERIFY(window.w.txtOutQuestion->isVisible());
    }
}

void TestScreens::errorInsideRecoveryGoesToErrorReportAndStops()
{
    TestWindow window(TempDeck::numbered(3));
    MessageBoxes boxes;
    OperationSeam seam(window.w.Data1);
    seam.failAt("AddNew");
    seam.failAt("CancelUpdate");
    window.w.cmdExit->setFocus();

    (*window.w.optScreen)[0]->click(); // the user's choice, through the error wrapper, leaving the focus where it was

    QCOMPARE(seam.trace, (QStringList{"Refresh", "AddNew", "CancelUpdate"}));
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY2(boxes.shown[0].text.startsWith(QStringLiteral("Error %1").arg(kForcedError)),
             qPrintable(boxes.shown[0].text));
    QVERIFY(boxes.shown[0].text.contains(forcedDescription("CancelUpdate")));
    // C1 and C2 ran; the focus step C5 did not.
    QCOMPARE(screenOf(window.w), kCreateScreen);
    QCOMPARE(window.focused(), window.w.cmdExit);
}

void TestScreens::unopenableDatabaseIsReportedAndHandlerGoesOn_data()
{
    QTest::addColumn<bool>("removeFile");
    QTest::addColumn<int>("screen");
    QTest::addColumn<QString>("to");

    QTest::addRow("table dropped, Create") << false << 0 << kCreateScreen;
    QTest::addRow("table dropped, Review") << false << 1 << kReviewScreen;
    QTest::addRow("file removed, Create") << true << 0 << kCreateScreen;
    QTest::addRow("file removed, Review") << true << 1 << kReviewScreen;
}

void TestScreens::unopenableDatabaseIsReportedAndHandlerGoesOn()
{
    QFETCH(bool, removeFile);
    QFETCH(int, screen);
    QFETCH(QString, to);

    TestWindow window(TempDeck::numbered(3));
    MessageBoxes boxes;
    if (removeFile)
        QVERIFY(QFile::remove(QString::fromStdString(window.deck.path())));
    else
        window.execOnFile("DROP TABLE Questions");

    window.choose(screen);

    // The two boxes of the reopen, then the handler's own steps.
    QVERIFY2(boxes.shown.size() >= 2, qPrintable(boxes.texts().join(" | ")));
    QCOMPARE(boxes.shown[0].text, kOpenFailedText);
    verifyPlainOkBox(boxes.shown[0]);
    QVERIFY2(QRegularExpression(QStringLiteral("^-?[0-9]+:  \\S")).match(boxes.shown[1].text).hasMatch(),
             qPrintable(boxes.shown[1].text));
    verifyPlainOkBox(boxes.shown[1]);
    QCOMPARE(screenOf(window.w), to);
    if (screen == 0)
        QVERIFY(window.focusInTerm());
    else
        QVERIFY(window.w.optShow->Value(0));
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
