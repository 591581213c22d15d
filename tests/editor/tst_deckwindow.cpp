// The deck editor's window, headless: what each key does where the focus is,
// and where the focus goes.
#include "connection.h"
#include "deckmodel.h"
#include "deckwindow.h"
#include "entryarea.h"
#include "messageboxes.h"
#include "tempdeck.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

class TestDeckWindow : public QObject {
    Q_OBJECT
private slots:
    void keysActWhereTheFocusIs_data();
    void keysActWhereTheFocusIs();
    void importShowsWhatItWillAddFirst_data();
    void importShowsWhatItWillAddFirst();
};

void TestDeckWindow::keysActWhereTheFocusIs_data()
{
    // Steps: "key:SEQUENCE" pressed where the focus is, "type:TEXT" typed
    // there, "long" types 300 letters. The deck starts with IDs 1 to 3 and
    // the focus on the term of the first.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("focus");     // accessible name of the focused box
    QTest::addColumn<QStringList>("terms"); // stored, in ID order

    const QStringList t123{"term 1", "term 2", "term 3"};
    QTest::addRow("Ctrl+F goes to the search") << QStringList{"key:Ctrl+F"} << "Search" << t123;
    QTest::addRow("Ctrl+L comes back to the table") << QStringList{"key:Ctrl+F", "key:Ctrl+L"} << "Entries" << t123;
    QTest::addRow("typing replaces a term")
        << QStringList{"type:new", "key:Return"} << "Entries" << QStringList{"new", "term 2", "term 3"};
    QTest::addRow("F2 edits, Esc cancels") << QStringList{"key:F2", "type:x", "key:Escape"} << "Entries" << t123;
    QTest::addRow("Enter edits, Enter commits") << QStringList{"key:Return", "key:End", "type:!", "key:Return"}
                                                << "Entries" << QStringList{"term 1!", "term 2", "term 3"};
    QTest::addRow("typing keeps to 255 units") << QStringList{"key:F2", "key:Ctrl+A", "long", "key:Return"} << "Entries"
                                               << QStringList{QString(255, u'a'), "term 2", "term 3"};
    QTest::addRow("Ctrl+N adds at the end, in the editor")
        << QStringList{"key:Ctrl+N", "type:four", "key:Return"} << "Entries"
        << QStringList{"term 1", "term 2", "term 3", "four"};
    QTest::addRow("Delete deletes in the table")
        << QStringList{"key:Down", "key:Delete"} << "Entries" << QStringList{"term 1", "term 3"};
    QTest::addRow("Delete edits the search text only")
        << QStringList{"key:Ctrl+F", "type:ab", "key:Home", "key:Delete"} << "Search" << t123;
    QTest::addRow("Ctrl+Z undoes a delete") << QStringList{"key:Delete", "key:Ctrl+Z"} << "Entries" << t123;
    QTest::addRow("Ctrl+Shift+Z redoes it")
        << QStringList{"key:Delete", "key:Ctrl+Z", "key:Ctrl+Shift+Z"} << "Entries" << QStringList{"term 2", "term 3"};
    QTest::addRow("the area's edit is stored on leaving it")
        << QStringList{"key:Ctrl+Shift+E", "key:Ctrl+A", "type:area", "key:Tab"} << "Definition"
        << QStringList{"area", "term 2", "term 3"};
}

void TestDeckWindow::keysActWhereTheFocusIs()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, focus);
    QFETCH(QStringList, terms);

    TempDeck deck(TempDeck::numbered(3));
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.table());

    for (const QString& step : steps) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY2(target, qPrintable("no focus before " + step));
        if (step.startsWith(u"key:"))
            QTest::keySequence(target, QKeySequence(step.mid(4)));
        else // typed key by key where the focus is: the first key may open an editor
            for (const QChar c : step == u"long" ? QString(300, u'a') : step.mid(5))
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QCoreApplication::processEvents(); // a closed cell editor hands the focus back
    }

    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused);
    QCOMPARE(focused->accessibleName(), focus);
    QStringList stored;
    for (const TestEntry& entry : deck.entries())
        stored << QString::fromStdString(entry.question);
    QCOMPARE(stored, terms);
}

void TestDeckWindow::importShowsWhatItWillAddFirst_data()
{
    QTest::addColumn<QByteArray>("source"); // written to a .csv file
    QTest::addColumn<bool>("yes");          // the answer to the preview
    QTest::addColumn<QString>("says");      // in the first box shown
    QTest::addColumn<QStringList>("terms"); // stored, in ID order

    const QStringList t12{"term 1", "term 2"};
    QTest::addRow("previewed, then added") << QByteArray("Gold,Au\nIron,Fe\n") << true << "Add 2 entries"
                                           << QStringList{"term 1", "term 2", "Gold", "Iron"};
    QTest::addRow("previewed, declined") << QByteArray("Gold,Au\n") << false << "Gold \u2014 Au" << t12;
    QTest::addRow("a malformed line is named") << QByteArray("Gold,Au\n\"Iron,Fe\n") << true << "line 2" << t12;
    QTest::addRow("a text over 255 is refused") << QByteArray(300, 'x') + ",long\n"
                                                << true << "line 1: the term is 300" << t12;
}

void TestDeckWindow::importShowsWhatItWillAddFirst()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, yes);
    QFETCH(QString, says);
    QFETCH(QStringList, terms);

    TempDeck deck(TempDeck::numbered(2));
    const QString sourcePath = QString::fromStdString(deck.directory()) + "/source.csv";
    QFile file(sourcePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(source) == source.size());
    file.close();
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    MessageBoxes boxes({yes ? BoxAnswer::Yes : BoxAnswer::No});
    window.importFile(sourcePath);

    QVERIFY(!boxes.shown.isEmpty());
    QVERIFY2(boxes.shown.first().text.contains(says), qPrintable(boxes.shown.first().text));
    QStringList stored;
    for (const TestEntry& entry : deck.entries())
        stored << QString::fromStdString(entry.question);
    QCOMPARE(stored, terms);
    QCOMPARE(window.model().rowCount(), terms.size()); // the window shows what was added
}

QTEST_MAIN(TestDeckWindow)
#include "tst_deckwindow.moc"
