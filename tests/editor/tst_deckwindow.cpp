// SPDX-License-Identifier: MIT
// The deck editor's window, headless: what each key does where the focus is,
// and where the focus goes; import, export and compact through the window.
#include "connection.h"
#include "deckmodel.h"
#include "deckwindow.h"
#include "entryarea.h"
#include "importdialog.h"
#include "messageboxes.h"
#include "tempdeck.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
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
    // Settings kept apart from the user's, and from another run of this test
    // at the same time (offscreen and on X11).
    void initTestCase()
    {
        QVERIFY(settingsHome_.isValid());
        qputenv("XDG_CONFIG_HOME", settingsHome_.path().toUtf8());
    }
    void searchShowsAndStepsThroughMatches_data();
    void searchShowsAndStepsThroughMatches();
    void keysActWhereTheFocusIs_data();
    void keysActWhereTheFocusIs();
    void importShowsWhatItWillAddFirst_data();
    void importShowsWhatItWillAddFirst();
    void exportWritesTheChosenFileWholeOrNotAtAll_data();
    void exportWritesTheChosenFileWholeOrNotAtAll();
    void compactRenumbersOnlyWithTheDeckToItself_data();
    void compactRenumbersOnlyWithTheDeckToItself();
    void openShowsAnotherDeckInItsOwnWindow_data();
    void openShowsAnotherDeckInItsOwnWindow();

private:
    QTemporaryDir settingsHome_;
};

void TestDeckWindow::keysActWhereTheFocusIs_data()
{
    // Steps: "key:SEQUENCE" pressed where the focus is, "type:TEXT" typed
    // there, "long" types 300 letters, "paste:TEXT" pastes there ("paste:long"
    // 300 letters); "gone:ID" another program deletes an entry; "answer:Yes"
    // (or No) answers the next message box, which Enter answers otherwise;
    // "close" closes the window. Checks along the way: "area:TEXT" the term
    // area holds TEXT, "unsaved:0|1" whether it is marked not saved,
    // "shown:0|1" whether the window is open, "status:TEXT" the status bar
    // says TEXT, "asked:N" N message boxes were shown so far. The deck starts
    // with IDs 1 to 3 and the focus on the term of the first.
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
    QTest::addRow("Ctrl+Y redoes it too")
        << QStringList{"key:Delete", "key:Ctrl+Z", "key:Ctrl+Y"} << "Entries" << QStringList{"term 2", "term 3"};

    // Delete acts on the rows the user sees selected:
    QTest::addRow("after Ctrl+Home, Ctrl+End, Delete deletes the last row only")
        << QStringList{"key:Down", "key:Ctrl+Home", "key:Down", "key:Right", "key:Ctrl+End", "key:Delete", "asked:0"}
        << "Entries" << QStringList{"term 1", "term 2"};
    QTest::addRow("after Ctrl+N, Delete deletes the new entry only")
        << QStringList{"key:Down", "key:Ctrl+N", "type:four", "key:Return", "key:Delete", "asked:0"} << "Entries"
        << t123;
    QTest::addRow("after Ctrl+N, Esc, Delete deletes the row that shows only")
        << QStringList{"key:Down", "key:Ctrl+N", "key:Escape", "key:Delete", "asked:0"} << "Entries"
        << QStringList{"term 1", "term 2"};
    QTest::addRow("Shift+Down extends; Delete asks, Enter cancels")
        << QStringList{"key:Shift+Down", "key:Delete", "asked:1"} << "Entries" << t123;
    QTest::addRow("Shift+Down extends; Delete asks once, Yes deletes both")
        << QStringList{"answer:Yes", "key:Shift+Down", "key:Delete", "asked:1"} << "Entries" << QStringList{"term 3"};
    QTest::addRow("a search leaves the current row alone selected")
        << QStringList{"key:Shift+Down", "key:Ctrl+F", "type:term", "key:Ctrl+L", "key:Delete", "asked:0"} << "Entries"
        << QStringList{"term 1", "term 3"};
    QTest::addRow("F2 on the ID column edits nothing")
        << QStringList{"key:Left", "key:F2", "key:Return", "asked:0"} << "Entries" << t123;

    // Exact text, one typing limit:
    QTest::addRow("a no-break space is stored as typed")
        << QStringList{"key:Ctrl+Shift+E", "key:Ctrl+A", "paste:100\u00a0km", "type:!", "key:Ctrl+Return"} << "Term"
        << QStringList{"100\u00a0km!", "term 2", "term 3"};
    QTest::addRow("a paste cut at 255 says so")
        << QStringList{"key:Ctrl+Shift+E", "key:Ctrl+A", "paste:long", "status:cut to 255", "key:Ctrl+Return"} << "Term"
        << QStringList{QString(255, u'a'), "term 2", "term 3"};

    // A refused write keeps the edit:
    const QStringList refused{"gone:1",          "key:Ctrl+Shift+E", "key:Ctrl+A", "type:area",
                              "key:Ctrl+Return", "asked:1",          "area:area",  "unsaved:1"};
    QTest::addRow("a refused edit stays in its area, marked, said once")
        << refused + QStringList{"key:Tab", "key:Shift+Tab", "asked:1", "area:area"} << "Term"
        << QStringList{"term 2", "term 3"};
    QTest::addRow("Esc discards it") << refused + QStringList{"key:Escape", "unsaved:0", "close", "asked:1", "shown:0"}
                                     << "Term" << QStringList{"term 2", "term 3"};
    QTest::addRow("a refused cell edit goes to the area, marked")
        << QStringList{"gone:1", "key:F2", "key:Ctrl+A", "type:cell", "key:Return", "asked:1", "area:cell", "unsaved:1"}
        << "Term" << QStringList{"term 2", "term 3"};
    QTest::addRow("compact waits for it") << refused + QStringList{"key:Ctrl+Shift+K", "asked:3", "area:area"} << "Term"
                                          << QStringList{"term 2", "term 3"};
    QTest::addRow("closing with it asks; Enter cancels")
        << refused + QStringList{"close", "asked:2", "shown:1", "area:area"} << "Term"
        << QStringList{"term 2", "term 3"};
    QTest::addRow("closing with it asks; Discard closes")
        << refused + QStringList{"answer:No", "close", "asked:2", "shown:0"} << "Term"
        << QStringList{"term 2", "term 3"};
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
    QTest::failOnWarning(QRegularExpression(u"editing failed|Ambiguous shortcut"_qs));
    MessageBoxes boxes;
    const auto focusBack = [&] {
        // A closed message box hands the focus back, as a window manager would.
        if (!QApplication::focusWidget() && window.isVisible()) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
    };

    for (const QString& step : steps) {
        const QString argument = step.section(u':', 1);
        if (step.startsWith(u"gone:")) {
            SQLite::Database other(deck.path(), SQLite::OPEN_READWRITE);
            other.exec("DELETE FROM Questions WHERE ID = " + argument.toStdString());
            continue;
        }
        if (step.startsWith(u"answer:")) {
            boxes.setAnswers({argument == u"Yes" ? BoxAnswer::Yes : BoxAnswer::No});
            continue;
        }
        if (step == u"close") {
            window.close();
            continue;
        }
        if (step.startsWith(u"area:")) {
            QCOMPARE(window.entryArea()->text(DeckModel::TermColumn), argument);
            continue;
        }
        if (step.startsWith(u"unsaved:")) {
            auto* mark = window.entryArea()->findChild<QLabel*>(u"notSaved"_qs);
            QVERIFY(mark);
            QCOMPARE(mark->isVisible(), argument == u"1");
            continue;
        }
        if (step.startsWith(u"shown:")) {
            QCOMPARE(window.isVisible(), argument == u"1");
            continue;
        }
        if (step.startsWith(u"status:")) {
            QVERIFY2(window.statusBar()->currentMessage().contains(argument),
                     qPrintable(window.statusBar()->currentMessage()));
            continue;
        }
        if (step.startsWith(u"asked:")) {
            QVERIFY2(boxes.shown.size() == argument.toInt(), qPrintable(boxes.texts().join(u" | ")));
            continue;
        }
        focusBack();
        QWidget* target = QApplication::focusWidget();
        QVERIFY2(target, qPrintable("no focus before " + step));
        if (step.startsWith(u"paste:")) {
            QGuiApplication::clipboard()->setText(argument == u"long" ? QString(300, u'a') : argument);
            QTest::keySequence(target, QKeySequence::Paste);
        } else if (step.startsWith(u"key:"))
            QTest::keySequence(target, QKeySequence(step.mid(4)));
        else // typed key by key where the focus is: the first key may open an editor
            for (const QChar c : step == u"long" ? QString(300, u'a') : step.mid(5))
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QCoreApplication::processEvents(); // a closed cell editor hands the focus back
    }

    focusBack();
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused || !window.isVisible());
    if (focused)
        QCOMPARE(focused->accessibleName(), focus);
    QStringList stored;
    for (const TestEntry& entry : deck.entries())
        stored << QString::fromStdString(entry.question);
    QCOMPARE(stored, terms);
    if (steps.last() == u"key:Escape") // the new row is gone, not only unstored
        QCOMPARE(window.model().rowCount(), terms.size());
}

void TestDeckWindow::searchShowsAndStepsThroughMatches_data()
{
    // Steps: "key:SEQUENCE" pressed where the focus is, "type:TEXT" typed
    // there, "in:N" chooses "Search in" item N, "header:N" clicks column N's
    // header, "wait" lets a button pressed by its key come up. The table
    // starts on ID 1.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<qint64>>("rows"); // the table's, top to bottom
    QTest::addColumn<qint64>("shown");       // in the area below (-1: none)
    QTest::addColumn<int>("marked");         // matches marked in the area
    QTest::addColumn<bool>("accents");       // "Match accents", in a window opened afterwards

    const QStringList strasse{"key:Ctrl+F", "type:strasse"};
    QTest::addRow("a hidden current entry gives way to the first match")
        << QStringList{"key:Down", "key:Ctrl+F", "type:STRASSE"} << QList<qint64>{1, 3} << qint64(1) << 1 << false;
    QTest::addRow("F3 goes to the next match")
        << strasse + QStringList{"key:F3"} << QList<qint64>{1, 3} << qint64(3) << 1 << false;
    QTest::addRow("F3 goes round to the first")
        << strasse + QStringList{"key:F3", "key:F3"} << QList<qint64>{1, 3} << qint64(1) << 1 << false;
    QTest::addRow("Shift+F3 goes round to the last")
        << strasse + QStringList{"key:Shift+F3"} << QList<qint64>{1, 3} << qint64(3) << 1 << false;
    QTest::addRow("no match, nothing shown")
        << QStringList{"key:Ctrl+F", "type:zzz"} << QList<qint64>{} << qint64(-1) << 0 << false;
    QTest::addRow("accents ignored") << QStringList{"key:Ctrl+F", "type:apfel"} << QList<qint64>{2, 4} << qint64(2) << 1
                                     << false;
    QTest::addRow("Alt+A: accents match, remembered")
        << QStringList{"key:Alt+A", "wait", "key:Ctrl+F", "type:apfel"} << QList<qint64>{2} << qint64(2) << 1 << true;
    QTest::addRow("terms only") << QStringList{"in:1", "key:Ctrl+F", "type:apfel"} << QList<qint64>{4} << qint64(4) << 1
                                << false;
    // Root order: "Äpfel" before "apple" (f before p), "Straße" as "strasse".
    QTest::addRow("sorted by term, the IDs kept")
        << QStringList{"header:1"} << QList<qint64>{4, 2, 1, 3} << qint64(1) << 0 << false;
    QTest::addRow("sorted by term, then searched")
        << QStringList{"header:1", "key:Ctrl+F", "type:str"} << QList<qint64>{1, 3} << qint64(1) << 2 << false;
}

void TestDeckWindow::searchShowsAndStepsThroughMatches()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<qint64>, rows);
    QFETCH(qint64, shown);
    QFETCH(int, marked);
    QFETCH(bool, accents);

    QSettings(u"Verbrio"_qs, u"Verbrio Deck"_qs).clear();
    const std::vector<TestEntry> entries{{1, "Straße", "street"},
                                         {2, "apple", "Apfel"},
                                         {3, "strasse 2", "road"},
                                         {4, "Äpfel", "apples"}};
    TempDeck deck(entries);
    store::Connection connection(deck.path());
    {
        DeckWindow window(connection, QString::fromStdString(deck.path()));
        QVERIFY(showActive(window));
        for (const QString& step : steps) {
            if (step == u"wait") {
                QTest::qWait(200);
            } else if (step.startsWith(u"in:")) {
                window.searchInBox()->setCurrentIndex(step.mid(3).toInt());
            } else if (step.startsWith(u"header:")) {
                QHeaderView* header = window.table()->horizontalHeader();
                const int at = header->sectionViewportPosition(step.mid(7).toInt()) + 5;
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(at, header->height() / 2));
            } else if (step.startsWith(u"key:")) {
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(step.mid(4)));
            } else {
                QTest::keyClicks(QApplication::focusWidget(), step.mid(5));
            }
            QCoreApplication::processEvents();
        }
        QList<qint64> ids;
        for (int row = 0; row < window.table()->model()->rowCount(); ++row)
            ids << window.table()->model()->index(row, DeckModel::IdColumn).data().toLongLong();
        QCOMPARE(ids, rows);
        QCOMPARE(window.entryArea()->entryId(), shown);
        const QModelIndex current = window.table()->currentIndex();
        QCOMPARE(current.isValid() ? current.siblingAtColumn(DeckModel::IdColumn).data().toLongLong() : -1, shown);
        qsizetype marks = 0;
        for (const int column : {DeckModel::TermColumn, DeckModel::DefinitionColumn})
            marks += window.entryArea()->box(column)->extraSelections().size();
        QCOMPARE(marks, qsizetype(marked));
    }
    QCOMPARE(deck.entries(), entries); // searching and sorting change nothing stored
    DeckWindow again(connection, QString::fromStdString(deck.path()));
    QCOMPARE(again.matchAccentsBox()->isChecked(), accents);
}

void TestDeckWindow::importShowsWhatItWillAddFirst_data()
{
    QTest::addColumn<QString>("via");       // "call", "drop" (onto the window), "drop on search" or "Ctrl+I"
    QTest::addColumn<QByteArray>("source"); // written to a .csv file
    // Changes made in the dialog: "format:NAME" (as listed), "separator:TEXT", "encoding:NAME",
    // "rows:TEXT", "header", "long", "duplicates"; "full" fills the deck to
    // ID 32766 first.
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<BoxAnswer>("answer");  // Yes clicks Import, No and Esc cancel
    QTest::addColumn<QString>("says");      // in the dialog, counts, notes and the first entry
    QTest::addColumn<QStringList>("terms"); // stored, in ID order

    const QStringList t12{"term 1", "term 2"};
    const QStringList added{"term 1", "term 2", "Gold", "Iron"};
    const QByteArray two("Gold,Au\nIron,Fe\n");
    const QByteArray malformed("Gold,Au\n\"Iron,Fe\n");
    QTest::addRow("previewed, then added")
        << "call" << two << QStringList{} << BoxAnswer::Yes << "Adds 2 entries" << added;
    QTest::addRow("previewed, declined") << "call" << QByteArray("Gold,Au\n") << QStringList{} << BoxAnswer::No
                                         << "Gold | Au" << t12;
    QTest::addRow("a malformed line is named, Import refused")
        << "call" << malformed << QStringList{} << BoxAnswer::Yes << "Line 2: a quote opened" << t12;
    QTest::addRow("a text over 255 named in the window's words")
        << "call" << QByteArray(300, 'x') + ",long\n"
        << QStringList{} << BoxAnswer::Yes
        << "Line 1: the term is 300 characters long; Verbrio's boxes take at most 255 (tick \u201cAllow long "
           "texts\u201d"
        << t12;
    QTest::addRow("allowing long texts imports it") << "call" << QByteArray(300, 'x') + ",long\n"
                                                    << QStringList{"long"} << BoxAnswer::Yes << "Adds 1 entry"
                                                    << QStringList{"term 1", "term 2", QString(300, 'x')};
    QTest::addRow("the header ticked leaves the first row out")
        << "call" << QByteArray("Term,Definition\nGold,Au\n") << QStringList{"header"} << BoxAnswer::Yes
        << "Adds 1 entry" << QStringList{"term 1", "term 2", "Gold"};
    QTest::addRow("a header row noted in the window's words")
        << "call" << QByteArray("Term,Definition\nGold,Au\n") << QStringList{} << BoxAnswer::No
        << "tick \u201cFirst row is a header\u201d" << t12;
    QTest::addRow("several characters and a row separator typed")
        << "call" << QByteArray("Gold - Au;Iron - Fe;") << QStringList{"separator: - ", "rows:;"} << BoxAnswer::Yes
        << "Adds 2 entries" << added;
    QTest::addRow("read as tab-separated: the window names CSV")
        << "call" << two << QStringList{"format:Tab-separated text"} << BoxAnswer::Yes
        << "the file reads as CSV separated by comma; choose CSV as the format" << t12;
    QTest::addRow("a windows-1252 file read in the encoding suggested")
        << "call" << QByteArray("K\xe4se,cheese\n") << QStringList{} << BoxAnswer::Yes << "K\u00e4se | cheese"
        << QStringList{"term 1", "term 2", "K\u00e4se"};
    QTest::addRow("an encoding chosen that does not fit is named")
        << "call" << QByteArray("a,b\n\x81,c\n") << QStringList{"encoding:windows-1252"} << BoxAnswer::Yes
        << "Line 2: holds bytes that are not valid windows-1252 text; choose the file's own encoding" << t12;
    QTest::addRow("duplicates of the deck counted, then skipped")
        << "call" << QByteArray("term 1,definition 1\nGold,Au\n") << QStringList{"duplicates"} << BoxAnswer::Yes
        << "skips 1 duplicate" << QStringList{"term 1", "term 2", "Gold"};
    QTest::addRow("duplicates of the deck noted when not skipped")
        << "call" << QByteArray("term 1,definition 1\n") << QStringList{} << BoxAnswer::No
        << "1 entry equals one the deck holds already; tick \u201cSkip duplicates\u201d" << t12;
    QTest::addRow("no room for all: nothing written") << "call" << two << QStringList{"full"} << BoxAnswer::Yes
                                                      << "only 1 fit" << QStringList{"term 1", "term 2", "term 32766"};
    QTest::addRow("dropped, previewed, then added")
        << "drop" << two << QStringList{} << BoxAnswer::Yes << "Adds 2 entries" << added;
    QTest::addRow("dropped, cancelled with Esc")
        << "drop" << two << QStringList{} << BoxAnswer::Esc << "Iron | Fe" << t12;
    QTest::addRow("dropped on the search field, not typed there")
        << "drop on search" << two << QStringList{} << BoxAnswer::Yes << "Adds 2 entries" << added;
    QTest::addRow("Ctrl+I, previewed, then added")
        << "Ctrl+I" << two << QStringList{} << BoxAnswer::Yes << "Adds 2 entries" << added;
}

void TestDeckWindow::importShowsWhatItWillAddFirst()
{
    QFETCH(QString, via);
    QFETCH(QByteArray, source);
    QFETCH(QStringList, options);
    QFETCH(BoxAnswer, answer);
    QFETCH(QString, says);
    QFETCH(QStringList, terms);

    TempDeck deck(TempDeck::withIds(options.contains("full") ? QList<qint64>{1, 2, 32766} : QList<qint64>{1, 2}));
    // A name a URL has to carry intact: a space and a letter outside ASCII.
    const QString sourcePath = QString::fromStdString(deck.directory()) + "/new words \u00fc.csv";
    QFile file(sourcePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(source) == source.size());
    file.close();
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.chooseFile = [&](const QString&) { return sourcePath; };
    QString shown;
    window.answerImport = [&](ImportDialog& dialog) {
        for (const QString& option : options) {
            const QString value = option.section(u':', 1);
            if (option.startsWith(u"format:"))
                dialog.formatBox()->setCurrentIndex(dialog.formatBox()->findText(value, Qt::MatchStartsWith));
            else if (option.startsWith(u"separator:"))
                dialog.separatorBox()->setEditText(value);
            else if (option.startsWith(u"encoding:"))
                dialog.encodingBox()->setCurrentIndex(dialog.encodingBox()->findData(value));
            else if (option.startsWith(u"rows:"))
                dialog.rowSeparatorBox()->setText(value);
            else if (option == u"header")
                dialog.headerBox()->setChecked(true);
            else if (option == u"long")
                dialog.allowLongBox()->setChecked(true);
            else if (option == u"duplicates")
                dialog.skipDuplicatesBox()->setChecked(true);
        }
        QTRY_VERIFY(!dialog.shownText().isEmpty()); // the preview follows the options by itself
        dialog.updatePreview();
        shown = dialog.shownText();
        for (int row = 0; row < dialog.preview()->rowCount(); ++row)
            shown +=
                u'\n' + dialog.preview()->item(row, 1)->text() + u" | "_qs + dialog.preview()->item(row, 2)->text();
        if (answer == BoxAnswer::Yes) {
            dialog.importButton()->click();
        } else if (answer == BoxAnswer::Esc) {
            dialog.show();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            dialog.reject();
        }
    };
    MessageBoxes boxes; // a refused write is said in a box
    if (via.startsWith(u"drop")) {
        QVERIFY(showActive(window));
        QVERIFY(dropFile(via == u"drop" ? static_cast<QWidget&>(window) : *window.searchField(), sourcePath));
        QVERIFY(shown.isEmpty()); // not while the dropping program waits for the drop to end
        QTRY_VERIFY(!shown.isEmpty());
    } else if (via == u"Ctrl+I") {
        QVERIFY(showActive(window));
        QTest::keySequence(window.table(), QKeySequence(via));
    } else {
        window.importFile(sourcePath);
    }

    QVERIFY2(shown.contains(says), qPrintable(shown));
    QVERIFY2(!shown.contains(u"--") && !shown.contains(u"verbrio-deck"), qPrintable(shown)); // the window's words
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

void TestDeckWindow::openShowsAnotherDeckInItsOwnWindow_data()
{
    QTest::addColumn<QString>("chosen"); // "other", "same", "text" (a file that is no deck) or "" (cancelled)
    QTest::addColumn<int>("windows");    // new windows opened
    QTest::addColumn<QString>("says");   // in a box, or ""

    QTest::addRow("another deck") << "other" << 1 << "";
    QTest::addRow("the same deck, not twice") << "same" << 0 << "";
    QTest::addRow("a file that is no deck, refused") << "text" << 0 << "Cannot open";
    QTest::addRow("cancelled") << "" << 0 << "";
}

void TestDeckWindow::openShowsAnotherDeckInItsOwnWindow()
{
    QFETCH(QString, chosen);
    QFETCH(int, windows);
    QFETCH(QString, says);

    TempDeck deck(TempDeck::numbered(2));
    TempDeck other(TempDeck::numbered(5));
    const QString text = QString::fromStdString(deck.directory()) + "/words.txt";
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("a\tb\n") == 4);
    file.close();
    const QMap<QString, QString> paths{{"other", QString::fromStdString(other.path())},
                                       {"same", QString::fromStdString(deck.path())},
                                       {"text", text}};
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.chooseFile = [&](const QString&) { return paths.value(chosen); };
    QVERIFY(showActive(window));
    MessageBoxes boxes;
    QTest::keySequence(window.table(), QKeySequence::Open);

    QList<DeckWindow*> opened = window.findChildren<DeckWindow*>();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* shown = qobject_cast<DeckWindow*>(top); shown && shown != &window && !opened.contains(shown))
            opened << shown;
    QCOMPARE(opened.size(), windows);
    QCOMPARE(boxes.shown.isEmpty(), says.isEmpty());
    if (!says.isEmpty())
        QVERIFY2(boxes.shown.first().text.contains(says), qPrintable(boxes.shown.first().text));
    if (windows > 0) {
        QCOMPARE(opened.first()->model().rowCount(), 5);
        QCOMPARE(DeckWindow::recentDecks().value(0), QFileInfo(paths.value(chosen)).absoluteFilePath());
    }
    qDeleteAll(opened); // before the decks they read are removed
}

QTEST_MAIN(TestDeckWindow)
#include "tst_deckwindow.moc"
