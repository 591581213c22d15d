// The deck editor's window, headless: what each key does where the focus is,
// and where the focus goes; import, export and compact through the window.
#include "connection.h"
#include "deckmodel.h"
#include "deckwindow.h"
#include "entryarea.h"
#include "messageboxes.h"
#include "tempdeck.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(BoxAnswer)

namespace {

QStringList storedTerms(const TempDeck& deck)
{
    QStringList terms;
    for (const TestEntry& entry : deck.entries())
        terms << QString::fromStdString(entry.question);
    return terms;
}

// Shows the window and makes it the active one, so that its shortcuts work.
bool showActive(DeckWindow& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Drags the file at `path` onto `onto` and drops it there, as a file
// manager does; whether it took both.
bool dropFile(QWidget& onto, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path); // as file managers do: a text box would take it
    const QPoint at = onto.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(&onto, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QCoreApplication::sendEvent(&onto, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

} // namespace

class TestDeckWindow : public QObject {
    Q_OBJECT
private slots:
    void keysActWhereTheFocusIs_data();
    void keysActWhereTheFocusIs();
    void importShowsWhatItWillAddFirst_data();
    void importShowsWhatItWillAddFirst();
    void exportWritesTheChosenFileWholeOrNotAtAll_data();
    void exportWritesTheChosenFileWholeOrNotAtAll();
    void compactRenumbersOnlyWithTheDeckToItself_data();
    void compactRenumbersOnlyWithTheDeckToItself();
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
    QTest::addRow("Ctrl+N, Esc stores nothing") << QStringList{"key:Ctrl+N", "key:Escape"} << "Entries" << t123;
    QTest::addRow("Ctrl+N, Enter on nothing stores nothing")
        << QStringList{"key:Ctrl+N", "key:Return"} << "Entries" << t123;
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
    if (steps.last() == u"key:Escape") // the new row is gone, not only unstored
        QCOMPARE(window.model().rowCount(), terms.size());
}

void TestDeckWindow::importShowsWhatItWillAddFirst_data()
{
    QTest::addColumn<QString>("via");       // "call", "drop" (onto the window), "drop on search" or "Ctrl+I"
    QTest::addColumn<QByteArray>("source"); // written to a .csv file
    QTest::addColumn<BoxAnswer>("answer");  // to the preview
    QTest::addColumn<QString>("says");      // in the first box shown
    QTest::addColumn<QStringList>("terms"); // stored, in ID order

    const QStringList t12{"term 1", "term 2"};
    const QStringList added{"term 1", "term 2", "Gold", "Iron"};
    const QByteArray two("Gold,Au\nIron,Fe\n");
    const QByteArray malformed("Gold,Au\n\"Iron,Fe\n");
    QTest::addRow("previewed, then added") << "call" << two << BoxAnswer::Yes << "Add 2 entries" << added;
    QTest::addRow("previewed, declined") << "call" << QByteArray("Gold,Au\n") << BoxAnswer::No << "Gold \u2014 Au"
                                         << t12;
    QTest::addRow("a malformed line is named") << "call" << malformed << BoxAnswer::Yes << "line 2" << t12;
    QTest::addRow("a text over 255 is refused") << "call" << QByteArray(300, 'x') + ",long\n"
                                                << BoxAnswer::Yes << "line 1: the term is 300" << t12;
    QTest::addRow("dropped, previewed, then added") << "drop" << two << BoxAnswer::Yes << "Add 2 entries" << added;
    QTest::addRow("dropped, preview cancelled with Esc") << "drop" << two << BoxAnswer::Esc << "Iron \u2014 Fe" << t12;
    QTest::addRow("dropped, a malformed line is named") << "drop" << malformed << BoxAnswer::Yes << "line 2" << t12;
    QTest::addRow("dropped on the search field, not typed there")
        << "drop on search" << two << BoxAnswer::Yes << "Add 2 entries" << added;
    QTest::addRow("Ctrl+I, previewed, then added") << "Ctrl+I" << two << BoxAnswer::Yes << "Add 2 entries" << added;
}

void TestDeckWindow::importShowsWhatItWillAddFirst()
{
    QFETCH(QString, via);
    QFETCH(QByteArray, source);
    QFETCH(BoxAnswer, answer);
    QFETCH(QString, says);
    QFETCH(QStringList, terms);

    TempDeck deck(TempDeck::numbered(2));
    // A name a URL has to carry intact: a space and a letter outside ASCII.
    const QString sourcePath = QString::fromStdString(deck.directory()) + "/new words \u00fc.csv";
    QFile file(sourcePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(source) == source.size());
    file.close();
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.chooseFile = [&](const QString&) { return sourcePath; };
    MessageBoxes boxes({answer});
    if (via.startsWith(u"drop")) {
        QVERIFY(showActive(window));
        QVERIFY(dropFile(via == u"drop" ? static_cast<QWidget&>(window) : *window.searchField(), sourcePath));
        QVERIFY(boxes.shown.isEmpty()); // not while the dropping program waits for the drop to end
        QTRY_VERIFY(!boxes.shown.isEmpty());
    } else if (via == u"Ctrl+I") {
        QVERIFY(showActive(window));
        QTest::keySequence(window.table(), QKeySequence(via));
    } else {
        window.importFile(sourcePath);
    }

    QVERIFY(!boxes.shown.isEmpty());
    QVERIFY2(boxes.shown.first().text.contains(says), qPrintable(boxes.shown.first().text));
    QCOMPARE(storedTerms(deck), terms);
    QCOMPARE(window.model().rowCount(), terms.size()); // the window shows what was added
    QVERIFY(window.searchField()->text().isEmpty());
}

void TestDeckWindow::exportWritesTheChosenFileWholeOrNotAtAll_data()
{
    QTest::addColumn<QString>("chosen");     // in the file dialog; "" cancels it
    QTest::addColumn<QString>("savedAs");    // the file written
    QTest::addColumn<QByteArray>("before");  // the file chosen, if it exists already
    QTest::addColumn<QByteArray>("written"); // savedAs afterwards
    QTest::addColumn<QString>("status");     // in the status bar ("" for nothing)
    QTest::addColumn<QString>("box");        // in a message box ("" for none)

    // The deck holds IDs 12, 3 and 7, stored in that order.
    const QByteArray csv("Gold,Au\r\n"
                         "\"two\nlines\",\"say \"\"hi\"\", then go\"\r\n"
                         "\u00d1and\u00fa \u2260 \u9ce5,\U0001f426 bird\r\n"); // as UTF-8
    QTest::addRow("CSV in ID order, texts exact") << "out.csv"
                                                  << "out.csv" << QByteArray() << csv << "Exported 3 entries"
                                                  << "";
    QTest::addRow("a name without an extension is written as CSV")
        << "out"
        << "out.csv" << QByteArray() << csv << "Exported 3 entries"
        << "";
    QTest::addRow("tab-separated text refuses a line break, the old file stays")
        << "out.tsv"
        << "out.tsv" << QByteArray("old\n") << QByteArray("old\n") << ""
        << "entry 7 (term \"two\\nlines\"): its term holds a line break";
    QTest::addRow("cancelled, nothing written") << ""
                                                << "out.csv" << QByteArray() << QByteArray("(missing)") << ""
                                                << "";
}

void TestDeckWindow::exportWritesTheChosenFileWholeOrNotAtAll()
{
    QFETCH(QString, chosen);
    QFETCH(QString, savedAs);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, written);
    QFETCH(QString, status);
    QFETCH(QString, box);

    TempDeck deck({{12, "\u00d1and\u00fa \u2260 \u9ce5", "\U0001f426 bird"},
                   {3, "Gold", "Au"},
                   {7, "two\nlines", "say \"hi\", then go"}});
    const QDir dir(QString::fromStdString(deck.directory()));
    const QString target = dir.filePath(chosen);
    if (!before.isNull()) {
        QFile file(dir.filePath(savedAs));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    }
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    QStringList asked;
    window.chooseFile = [&](const QString& title) {
        asked << title;
        return chosen.isEmpty() ? QString() : target;
    };
    MessageBoxes boxes;
    QVERIFY(showActive(window));
    QTest::keySequence(window.table(), QKeySequence(u"Ctrl+E"_qs));

    QCOMPARE(asked, QStringList{"Export Entries"});
    QCOMPARE(snapshot(dir.filePath(savedAs)), written);
    const QString message = window.statusBar()->currentMessage();
    QVERIFY2(status.isEmpty() ? message.isEmpty() : message.contains(status), qPrintable(message));
    const QString shown = boxes.texts().join(u'\n');
    QVERIFY2(box.isEmpty() ? shown.isEmpty() : shown.contains(box), qPrintable(shown));
}

void TestDeckWindow::compactRenumbersOnlyWithTheDeckToItself_data()
{
    // Before the compact: "edit" changes a term here, which leaves this
    // window's connection in WAL; "drill" holds a read transaction open on
    // a second connection in WAL, as the drill may.
    QTest::addColumn<QString>("before");
    QTest::addColumn<BoxAnswer>("answer");  // to "Compact now?"
    QTest::addColumn<QList<qint64>>("ids"); // stored afterwards
    QTest::addColumn<QString>("says");      // in the status bar, or else in the box after the question

    const QList<qint64> kept{2, 700, 32768, 40000};
    const QList<qint64> renumbered{1, 2, 3, 4};
    QTest::addRow("IDs 1 to n, texts and order kept") << "" << BoxAnswer::Yes << renumbered << "Renumbered 4 entries";
    QTest::addRow("right after an edit here") << "edit" << BoxAnswer::Yes << renumbered << "Renumbered 4 entries";
    QTest::addRow("declined, nothing changes") << "" << BoxAnswer::No << kept << "";
    QTest::addRow("the drill reading: says to close it, nothing changes")
        << "drill" << BoxAnswer::Yes << kept << "Close Verbrio on this deck";
}

void TestDeckWindow::compactRenumbersOnlyWithTheDeckToItself()
{
    QFETCH(QString, before);
    QFETCH(BoxAnswer, answer);
    QFETCH(QList<qint64>, ids);
    QFETCH(QString, says);

    const QList<qint64> start{2, 700, 32768, 40000};
    TempDeck deck(TempDeck::withIds(start));
    std::optional<SQLite::Database> drill;
    if (before == u"drill") {
        drill.emplace(deck.path(), SQLite::OPEN_READWRITE);
        drill->exec("PRAGMA journal_mode = WAL");
        drill->exec("BEGIN");
        QCOMPARE(drill->execAndGet("SELECT count(*) FROM Questions").getInt(), 4);
    }
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    std::vector<TestEntry> expected = TempDeck::withIds(start);
    if (before == u"edit") {
        QVERIFY(window.model().setData(window.model().index(0, DeckModel::TermColumn), u"edited"_qs));
        expected[0].question = "edited";
    }
    for (qsizetype i = 0; i < ids.size(); ++i)
        expected[std::size_t(i)].id = ids[i];

    QPushButton* compact = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->accessibleName() == u"Compact the deck")
            compact = button;
    QVERIFY(compact && !compact->isHidden()); // the deck warns of its IDs
    MessageBoxes boxes({answer});
    compact->click();

    QCOMPARE(deck.entries(), expected);
    QList<qint64> shownIds;
    for (int row = 0; row < window.model().rowCount(); ++row)
        shownIds << window.model().idAt(row);
    QCOMPARE(shownIds, ids);
    QCOMPARE(compact->isHidden(), ids != start); // no warning once renumbered
    QVERIFY(!boxes.shown.isEmpty());
    const QString said = boxes.shown.size() > 1 ? boxes.shown[1].text : window.statusBar()->currentMessage();
    QVERIFY2(says.isEmpty() ? said.isEmpty() : said.contains(says), qPrintable(said));
    // The area below the table shows the entry its ID now names: an edit
    // there goes to the entry the user sees.
    const auto shown = std::find_if(expected.begin(), expected.end(),
                                    [&](const TestEntry& e) { return e.id == window.entryArea()->entryId(); });
    QVERIFY(shown != expected.end());
    QCOMPARE(window.entryArea()->box(DeckModel::TermColumn)->toPlainText(), QString::fromStdString(shown->question));
}

QTEST_MAIN(TestDeckWindow)
#include "tst_deckwindow.moc"
