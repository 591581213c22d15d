// SPDX-License-Identifier: MIT
// "Re&start": the warning, what each answer does, and the operations it asks
// of the record set.

#include "messageboxes.h"
#include "operationseam.h"
#include "testwindow.h"

#include <QtTest>

namespace {

QStringList deletions(int count)
{
    QStringList trace{"Refresh", "RecordCount", "MoveFirst"};
    for (int i = 0; i < count; ++i)
        trace << "Delete"
              << "MoveNext";
    return trace << "Update"
                 << "Refresh";
}

} // namespace

class TestRestart : public QObject {
    Q_OBJECT

private slots:
    void warningAsksWithYesAsDefault();
    void yesDeletesEveryEntryAndKeepsTheScreen_data();
    void yesDeletesEveryEntryAndKeepsTheScreen();
    void noChangesNothing_data();
    void noChangesNothing();
    void backupThatCannotBeWrittenDeletesNothing();
};

void TestRestart::warningAsksWithYesAsDefault()
{
    TestWindow window(TempDeck::numbered(1));
    MessageBoxes boxes({BoxAnswer::No});
    click(window.w.cmdRestart);

    QCOMPARE(boxes.shown.size(), 1);
    const ShownMessageBox& box = boxes.shown[0];
    QCOMPARE(box.text, kRestartWarningText);
    QCOMPARE(box.title, QStringLiteral("Verbrio"));
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::Yes);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.format, Qt::PlainText);
}

void TestRestart::yesDeletesEveryEntryAndKeepsTheScreen_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QString>("screen");

    // Nothing to delete: no MoveFirst, no Update, no second Refresh.
    QTest::addRow("empty table, No screen") << QList<qint64>{} << "none"
                                            << "" << QStringList{"Refresh", "RecordCount"} << kNoScreen;
    QTest::addRow("empty table, Create screen") << QList<qint64>{} << "create"
                                                << "" << QStringList{"Refresh", "RecordCount"} << kCreateScreen;
    QTest::addRow("one entry, No screen") << QList<qint64>{1} << "none"
                                          << "" << deletions(1) << kNoScreen;
    QTest::addRow("IDs with gaps, Review screen") << QList<qint64>{2, 5, 9} << "review"
                                                  << "" << deletions(3) << kReviewScreen;
    QTest::addRow("two entries, Create screen") << QList<qint64>{1, 2} << "create"
                                                << "" << deletions(2) << kCreateScreen;
    // The reopen stores the typed entry; it goes with the rest.
    QTest::addRow("two entries, Create screen, a term typed") << QList<qint64>{1, 2} << "create"
                                                              << "new" << deletions(3) << kCreateScreen;
}

void TestRestart::yesDeletesEveryEntryAndKeepsTheScreen()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QString, from);
    QFETCH(QString, typed);
    QFETCH(QStringList, trace);
    QFETCH(QString, screen);

    TestWindow window(TempDeck::withIds(ids), {0.5f});
    MessageBoxes boxes({BoxAnswer::Yes});
    window.reach(from);
    if (!typed.isEmpty())
        window.typeTerm(typed);
    const QString drill = drillOf(window.w);
    OperationSeam seam(window.w.Data1);
    const QString backup = QString::fromStdString(window.deck.path()) + ".bak";
    QStringList before = window.stored();
    if (!typed.isEmpty())
        before << QStringLiteral("%1: new / ").arg(ids.isEmpty() ? 1 : ids.last() + 1);

    click(window.w.cmdRestart);

    QCOMPARE(boxes.texts(), QStringList{kRestartWarningText});
    QCOMPARE(seam.trace, trace);
    QCOMPARE(window.stored(), QStringList{});
    // The way back: every entry as it was, unless there was none.
    if (ids.isEmpty())
        QVERIFY(!QFile::exists(backup));
    else
        QCOMPARE(listed(TempDeck::entriesAt(backup.toStdString())), before);
    QCOMPARE(QString::fromStdString(window.w.Data1.RecordSource()), QStringLiteral("SELECT * FROM Questions"));
    QCOMPARE(screenOf(window.w), screen);
    QCOMPARE(drillOf(window.w), drill);
}

void TestRestart::noChangesNothing_data()
{
    QTest::addColumn<bool>("create"); // else Review

    QTest::addRow("Review screen: the drawn entry stays current") << false;
    QTest::addRow("Create screen: the typed entry stays pending") << true;
}

void TestRestart::noChangesNothing()
{
    QFETCH(bool, create);

    TestWindow window(TempDeck::numbered(3), {0.5f});
    MessageBoxes boxes({BoxAnswer::No});
    window.choose(create ? 0 : 1);
    if (create)
        window.typeTerm(QStringLiteral("typed"));
    const QStringList before = window.stored();
    const std::string source = window.w.Data1.RecordSource();
    TextBox* term = create ? static_cast<TextBox*>(window.w.txtInQuestion) : window.w.txtOutQuestion;
    const QString shown = term->text();
    OperationSeam seam(window.w.Data1);

    click(window.w.cmdRestart);

    QCOMPARE(boxes.texts(), QStringList{kRestartWarningText});
    QCOMPARE(seam.trace, QStringList{}); // the record set was not touched
    QCOMPARE(window.w.Data1.RecordSource(), source);
    QCOMPARE(term->text(), shown);
    QCOMPARE(window.pending(), create);
    QCOMPARE(window.stored(), before);
    QCOMPARE(screenOf(window.w), create ? kCreateScreen : kReviewScreen);
}

void TestRestart::backupThatCannotBeWrittenDeletesNothing()
{
    TestWindow window(TempDeck::numbered(2));
    // A folder in the way of keeping the earlier copies: .bak.1 cannot become .bak.2.
    const QString backup = QString::fromStdString(window.deck.path()) + ".bak";
    QVERIFY(QDir().mkpath(backup + ".2/full") && QFile(backup + ".1").open(QIODevice::WriteOnly));
    MessageBoxes boxes({BoxAnswer::Yes});

    click(window.w.cmdRestart);

    QCOMPARE(boxes.texts().size(), 2);
    QVERIFY2(boxes.texts()[1].startsWith(QLatin1String("Error 3910\n\nCannot write the copy")),
             qPrintable(boxes.texts()[1]));
    QCOMPARE(window.stored(), listed(TempDeck::numbered(2)));
    QCOMPARE(QApplication::overrideCursor(), nullptr); // the wait cursor went with the handler
}

QTEST_MAIN(TestRestart)
#include "tst_restart.moc"
