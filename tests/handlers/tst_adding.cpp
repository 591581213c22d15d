// SPDX-License-Identifier: MIT
// Adding entries on the Create screen: "OK" stores what was typed, "Cancel"
// drops only the entry being typed, and typed text is never lost without a
// word, also on a panel left without a pending entry.

#include "messageboxes.h"
#include "operationseam.h"
#include "testwindow.h"
#include "unprivilegeduser.h"

#include <QScopeGuard>
#include <QtTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Ways the Create panel stays shown with no entry pending.
enum NoPendingEntry { AfterEmptyReview, AfterRestart, AfterFailedAddNew };

void erase(QWidget* box, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        QTest::keyClick(box, Qt::Key_Backspace);
}

} // namespace

class TestAdding : public QObject {
    Q_OBJECT

private slots:
    void okStoresEachEntryWithItsOwnId_data();
    void okStoresEachEntryWithItsOwnId();
    void okWithEmptyBoxesStoresNothingAndBeginsTheNext();
    void cancelDropsOnlyThePendingEntry_data();
    void cancelDropsOnlyThePendingEntry();
    void typingWithNoEntryPendingIsStoredByOk_data();
    void typingWithNoEntryPendingIsStoredByOk();
    void choosingReviewStoresTypedEntryOnly_data();
    void choosingReviewStoresTypedEntryOnly();
    void typingIntoReviewBoxesChangesNoEntry_data();
    void typingIntoReviewBoxesChangesNoEntry();
    void refusedTypedEntryNeverBlocksReviewAndWaitsOnCreate_data();
    void refusedTypedEntryNeverBlocksReviewAndWaitsOnCreate();
    void entryRefusedAtTheEndIsKeptWhereAFileTakesIt_data();
    void entryRefusedAtTheEndIsKeptWhereAFileTakesIt();
};

void TestAdding::okStoresEachEntryWithItsOwnId_data()
{
    QTest::addColumn<QStringList>("terms");
    QTest::addColumn<QStringList>("definitions");
    QTest::addColumn<QStringList>("stored");

    QTest::addRow("one entry") << QStringList{"cat"} << QStringList{"a small animal"}
                               << QStringList{"1: cat / a small animal"};
    QTest::addRow("three entries") << QStringList{"one", "two", "three"} << QStringList{"1", "2", "3"}
                                   << QStringList{"1: one / 1", "2: two / 2", "3: three / 3"};
    QTest::addRow("accented text, several lines")
        << QStringList{"Größe", "café"} << QStringList{"size\nmagnitude", "coffee"}
        << QStringList{"1: Größe / size\nmagnitude", "2: café / coffee"};
}

void TestAdding::okStoresEachEntryWithItsOwnId()
{
    QFETCH(QStringList, terms);
    QFETCH(QStringList, definitions);
    QFETCH(QStringList, stored);

    TestWindow window;
    MessageBoxes boxes;
    window.choose(0);
    for (qsizetype i = 0; i < terms.size(); ++i) {
        window.typeTerm(terms[i]);
        window.typeDefinition(definitions[i]);
        click(window.w.cmdOK);
        // The next entry waits, empty, with the cursor in the term box.
        QCOMPARE(window.w.txtInQuestion->text(), QString());
        QCOMPARE(window.w.txtInAnswer->text(), QString());
        QVERIFY(window.focusInTerm());
        QVERIFY(window.pending());
    }
    QCOMPARE(window.stored(), stored);
    QCOMPARE(screenOf(window.w), kCreateScreen);
    QVERIFY(boxes.shown.isEmpty());
}

void TestAdding::okWithEmptyBoxesStoresNothingAndBeginsTheNext()
{
    TestWindow window(TempDeck::numbered(1));
    MessageBoxes boxes;
    window.choose(0);
    click(window.w.cmdOK);

    QCOMPARE(window.stored(), (QStringList{"1: term 1 / definition 1"}));
    QVERIFY(window.pending());
    QVERIFY(boxes.shown.isEmpty());
}

void TestAdding::cancelDropsOnlyThePendingEntry_data()
{
    QTest::addColumn<int>("oks");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("stored");

    QTest::addRow("right after Create") << 0 << false << QStringList{};
    QTest::addRow("after typing") << 0 << true << QStringList{};
    QTest::addRow("after two OKs") << 2 << false << QStringList{"1: term 1 / definition 1", "2: term 2 / definition 2"};
    QTest::addRow("after two OKs and typing")
        << 2 << true << QStringList{"1: term 1 / definition 1", "2: term 2 / definition 2"};
}

void TestAdding::cancelDropsOnlyThePendingEntry()
{
    QFETCH(int, oks);
    QFETCH(bool, typed);
    QFETCH(QStringList, stored);

    TestWindow window;
    MessageBoxes boxes;
    window.choose(0);
    for (int i = 1; i <= oks; ++i) {
        window.typeTerm(QStringLiteral("term %1").arg(i));
        window.typeDefinition(QStringLiteral("definition %1").arg(i));
        click(window.w.cmdOK);
    }
    if (typed) {
        window.typeTerm(QStringLiteral("dropped"));
        window.typeDefinition(QStringLiteral("dropped too"));
    }

    click(window.w.cmdCancel);

    QCOMPARE(screenOf(window.w), kNoScreen); // the Review panel stays hidden too
    QVERIFY(!window.pending());
    QCOMPARE(window.stored(), stored);
    // Reopening the table does not bring the dropped text back.
    window.choose(0);
    click(window.w.cmdCancel);
    QCOMPARE(window.stored(), stored);
    QVERIFY(boxes.shown.isEmpty());
}

void TestAdding::typingWithNoEntryPendingIsStoredByOk_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("definitionFirst");

    const char* names[] = {"after an empty-table Review", "after Restart", "after a failed AddNew"};
    for (const int how : {AfterEmptyReview, AfterRestart, AfterFailedAddNew}) {
        QTest::addRow("%s, term typed first", names[how]) << how << false;
        QTest::addRow("%s, definition typed first", names[how]) << how << true;
    }
}

void TestAdding::typingWithNoEntryPendingIsStoredByOk()
{
    QFETCH(int, how);
    QFETCH(bool, definitionFirst);

    TestWindow window(how == AfterRestart ? TempDeck::numbered(2) : std::vector<TestEntry>{});
    MessageBoxes boxes(how == AfterRestart ? std::deque{BoxAnswer::Yes} : std::deque<BoxAnswer>{});
    std::optional<OperationSeam> seam;
    if (how == AfterFailedAddNew) {
        seam.emplace(window.w.Data1);
        seam->failAt("AddNew");
    }
    window.choose(0);
    if (how == AfterEmptyReview)
        window.choose(1);
    if (how == AfterRestart)
        click(window.w.cmdRestart);
    QVERIFY(window.w.pbxCreate->isVisible());
    QVERIFY(!window.pending());

    if (definitionFirst) {
        window.typeDefinition(QStringLiteral("typed definition"));
        window.typeTerm(QStringLiteral("typed term"));
    } else {
        window.typeTerm(QStringLiteral("typed term"));
        window.typeDefinition(QStringLiteral("typed definition"));
    }
    QCOMPARE(window.w.txtInQuestion->text(), QStringLiteral("typed term"));
    QCOMPARE(window.w.txtInAnswer->text(), QStringLiteral("typed definition"));
    click(window.w.cmdOK);

    QCOMPARE(window.stored(), QStringList{"1: typed term / typed definition"});
    QVERIFY(window.pending());
    QCOMPARE(window.w.txtInQuestion->text(), QString());
}

void TestAdding::choosingReviewStoresTypedEntryOnly_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<bool>("erased");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("to");

    const QString first = QStringLiteral("1: term 1 / definition 1");
    QTest::addRow("term typed") << 1 << "new"
                                << "" << false << QStringList{first, "2: new / "} << kReviewScreen;
    QTest::addRow("definition typed") << 1 << ""
                                      << "new" << false << QStringList{first, "2:  / new"} << kReviewScreen;
    QTest::addRow("both typed") << 1 << "new"
                                << "meaning" << false << QStringList{first, "2: new / meaning"} << kReviewScreen;
    QTest::addRow("nothing typed") << 1 << ""
                                   << "" << false << QStringList{first} << kReviewScreen;
    QTest::addRow("typed, then erased") << 1 << "new"
                                        << "meaning" << true << QStringList{first} << kReviewScreen;
    // The typed entry, stored on the way, is what the Review screen shows.
    QTest::addRow("empty table, term typed") << 0 << "new"
                                             << "" << false << QStringList{"1: new / "} << kReviewScreen;
    QTest::addRow("empty table, nothing typed") << 0 << ""
                                                << "" << false << QStringList{} << "Create panel, no option";
}

void TestAdding::choosingReviewStoresTypedEntryOnly()
{
    QFETCH(int, entries);
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QFETCH(bool, erased);
    QFETCH(QStringList, stored);
    QFETCH(QString, to);

    TestWindow window(TempDeck::numbered(entries));
    MessageBoxes boxes;
    window.choose(0);
    window.typeTerm(term);
    window.typeDefinition(definition);
    if (erased) {
        erase(window.w.txtInQuestion, term.size());
        erase(window.w.txtInAnswer, definition.size());
    }

    window.choose(1);

    QCOMPARE(window.stored(), stored);
    QCOMPARE(screenOf(window.w), to);
    QVERIFY(!window.pending());
}

void TestAdding::typingIntoReviewBoxesChangesNoEntry_data()
{
    QTest::addColumn<bool>("definitionBox");
    QTest::addColumn<bool>("leaveByNext");

    QTest::addRow("term box, then Next") << false << true;
    QTest::addRow("term box, then Create and Cancel") << false << false;
    QTest::addRow("definition box, then Next") << true << true;
    QTest::addRow("definition box, then Create and Cancel") << true << false;
}

void TestAdding::typingIntoReviewBoxesChangesNoEntry()
{
    QFETCH(bool, definitionBox);
    QFETCH(bool, leaveByNext);

    TestWindow window(TempDeck::numbered(2), {0.0f, 0.9f});
    MessageBoxes boxes;
    const QStringList before = window.stored();
    window.choose(1);
    click(window.w.cmdShow); // both boxes in view
    TextBox* box = definitionBox ? static_cast<TextBox*>(window.w.txtOutAnswer) : window.w.txtOutQuestion;
    typeInto(box, QStringLiteral(" edited"));
    QVERIFY(!window.pending());

    if (leaveByNext) {
        click(window.w.cmdShow);
    } else {
        window.choose(0);
        click(window.w.cmdCancel);
    }

    QCOMPARE(window.stored(), before);
    QVERIFY(boxes.shown.isEmpty());
}

void TestAdding::refusedTypedEntryNeverBlocksReviewAndWaitsOnCreate_data()
{
    QTest::addColumn<QString>("table");   // the deck's table, made elsewhere
    QTest::addColumn<QString>("extra");   // the values of its further columns in a row
    QTest::addColumn<qint64>("lastId");   // of its second entry
    QTest::addColumn<QString>("term");    // typed, and refused
    QTest::addColumn<bool>("ok");         // "OK" pressed first
    QTest::addColumn<QString>("refusal"); // in the description of the error

    // A column the drill does not fill, which the table requires.
    const QString refusing =
        "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT, Topic TEXT NOT NULL)";
    const QString plain = "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT)";
    QTest::addRow("the table refuses the entry")
        << refusing << ", 'x'" << qint64(2) << "no" << false << "NOT NULL constraint failed";
    QTest::addRow("the deck is full, on Review")
        << plain << "" << qint64(32767) << "new" << false << "3920: The deck is full: its largest ID is 32767";
    QTest::addRow("the deck is full, on OK: compact named")
        << plain << "" << qint64(32767) << "new" << true << "'verbrio-deck compact' renumbers its 2 entries 1 to 2";
}

// A deck made elsewhere that refuses the entry typed.
void TestAdding::refusedTypedEntryNeverBlocksReviewAndWaitsOnCreate()
{
    QFETCH(QString, table);
    QFETCH(QString, extra);
    QFETCH(qint64, lastId);
    QFETCH(QString, term);
    QFETCH(bool, ok);
    QFETCH(QString, refusal);

    MessageBoxes boxes;
    TestWindow window({}, {0.0f}, false); // no file yet: the two connection messages
    {
        SQLite::Database db(window.deck.path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(table.toStdString());
        db.exec("INSERT INTO Questions VALUES (1, 'term 1', 'definition 1'" + extra.toStdString() + ")");
        db.exec("INSERT INTO Questions VALUES (" + std::to_string(lastId) + ", 'term 2', 'definition 2'"
                + extra.toStdString() + ")");
    }
    const QStringList before{"1: term 1 / definition 1", QString("%1: term 2 / definition 2").arg(lastId)};
    window.choose(0);
    boxes.takeTexts();
    window.typeTerm(term);
    if (ok) {
        click(window.w.cmdOK);
        const QStringList said = boxes.takeTexts();
        QCOMPARE(said.size(), 1);
        QVERIFY2(said[0].contains(refusal), qPrintable(said[0]));
        QCOMPARE(window.w.txtInQuestion->text(), term); // it waits where it was typed
    }

    window.choose(1);
    const QStringList said = boxes.takeTexts();
    QCOMPARE(said.size(), 1); // once, and not "error opening the database"
    QVERIFY2(said[0].startsWith(
                 QLatin1String("The entry being typed could not be stored; it waits on the Create screen.\n")),
             qPrintable(said[0]));
    QVERIFY2(said[0].contains(refusal.section(u':', -1).trimmed()), qPrintable(said[0]));
    QCOMPARE(screenOf(window.w), kReviewScreen);
    click(window.w.cmdShow);
    click(window.w.cmdShow); // "Next": no second message
    QCOMPARE(boxes.takeTexts(), QStringList{});

    window.choose(0);
    QCOMPARE(window.w.txtInQuestion->text(), term); // back on the Create screen
    QCOMPARE(window.stored(), before);

    // Said once per refused entry: leaving Create again says nothing more,
    // an entry typed anew after Cancel is refused with a note of its own.
    window.choose(1);
    window.choose(0);
    click(window.w.cmdOK); // the store's own error report
    QCOMPARE(boxes.takeTexts().size(), 1);
    window.choose(1);
    QCOMPARE(boxes.takeTexts(), QStringList{});
    window.choose(0);
    click(window.w.cmdCancel);
    window.choose(0);
    window.typeTerm(term);
    window.choose(1);
    QCOMPARE(boxes.takeTexts().size(), 1);
    QCOMPARE(window.stored(), before);
}

void TestAdding::entryRefusedAtTheEndIsKeptWhereAFileTakesIt_data()
{
    // The deck file is read-only and the program runs as an ordinary user.
    QTest::addColumn<QString>("besideDeck"); // the deck's folder: writable, read-only, or its CSV a link or FIFO
    QTest::addColumn<QString>("dataHome");   // XDG_DATA_HOME: writable, read-only, relative, or unset (HOME's)
    QTest::addColumn<QString>("keptIn");     // beside, xdg, home, or nowhere

    QTest::addRow("the deck's folder takes it") << "writable"
                                                << "writable"
                                                << "beside";
    QTest::addRow("read-only folder: XDG_DATA_HOME") << "read-only"
                                                     << "writable"
                                                     << "xdg";
    QTest::addRow("read-only folder, no XDG_DATA_HOME: HOME's data folder") << "read-only"
                                                                            << "unset"
                                                                            << "home";
    QTest::addRow("a relative XDG_DATA_HOME is ignored") << "read-only"
                                                         << "relative"
                                                         << "home";
    QTest::addRow("a link beside the deck is not followed") << "link"
                                                            << "writable"
                                                            << "xdg";
    QTest::addRow("a FIFO beside the deck does not hold the end up") << "fifo"
                                                                     << "writable"
                                                                     << "xdg";
    QTest::addRow("no folder takes it: the message shows the entry") << "read-only"
                                                                     << "read-only"
                                                                     << "nowhere";
}

void TestAdding::entryRefusedAtTheEndIsKeptWhereAFileTakesIt()
{
    QFETCH(QString, besideDeck);
    QFETCH(QString, dataHome);
    QFETCH(QString, keptIn);

    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", savedXdg), qputenv("HOME", savedHome); });
    QTemporaryDir program;
    QTemporaryDir data;
    const QString deck = program.filePath(QStringLiteral("Verbrio.mdb"));
    TempDeck::createAt(deck.toStdString(), TempDeck::numbered(1));
    const QString linkTarget = data.filePath(QStringLiteral("target.csv"));
    const QMap<QString, QString> places{{"beside", program.filePath(QStringLiteral("Verbrio.unsaved.csv"))},
                                        {"xdg", data.filePath(QStringLiteral("Verbrio/unsaved.csv"))},
                                        {"home", data.filePath(QStringLiteral(".local/share/Verbrio/unsaved.csv"))}};
    const auto name = [](const QString& path) { return QFile::encodeName(path); };
    if (besideDeck == QLatin1String("link"))
        QVERIFY(QFile(linkTarget).open(QIODevice::WriteOnly) && QFile::link(linkTarget, places["beside"]));
    if (besideDeck == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name(places["beside"]).constData(), 0666), 0);
    QCOMPARE(::chmod(name(deck).constData(), 0444), 0);
    QCOMPARE(::chmod(name(program.path()).constData(), besideDeck == QLatin1String("read-only") ? 0555 : 0777), 0);
    QCOMPARE(::chmod(name(data.path()).constData(), dataHome == QLatin1String("read-only") ? 0555 : 0777), 0);
    qputenv("HOME", name(data.path()));
    qputenv("XDG_DATA_HOME", dataHome == QLatin1String("relative") ? "relative/data" : name(data.path()));
    if (dataHome == QLatin1String("unset"))
        qunsetenv("XDG_DATA_HOME");

    UnprivilegedUser user;
    if (!user.ok())
        QSKIP("running as root and cannot drop to an unprivileged user, so a read-only file would still be written");
    MessageBoxes boxes;
    {
        FrmMain w(program.path());
        QVERIFY(startWindow(w));
        click((*w.optScreen)[0]);
        typeInto(w.txtInQuestion, QStringLiteral("kept \"term\""));
        typeInto(w.txtInAnswer, QStringLiteral("kept\ndefinition"));
        QVERIFY(boxes.takeTexts().isEmpty() && activate(w));
        click(w.cmdExit);
    }

    QCOMPARE(boxes.shown.size(), 1);
    const QString said = boxes.shown[0].text;
    QVERIFY(boxes.shown[0].interaction.testFlag(Qt::TextSelectableByMouse));
    QVERIFY2(said.endsWith(QStringLiteral("\n\nattempt to write a readonly database (database file '%1')").arg(deck)),
             qPrintable(said));
    const QString told = keptIn == QLatin1String("nowhere")
                             ? QStringLiteral("The entry being typed could not be stored in the database, nor written "
                                              "to a file.\nCopy it from here before you close this message:\n"
                                              "Term: kept \"term\"\nDefinition: kept\ndefinition\n")
                             : QStringLiteral("The entry being typed could not be stored in the database; it was "
                                              "written to this file instead:\n%1\n")
                                   .arg(places.value(keptIn));
    QVERIFY2(said.startsWith(told), qPrintable(said));
    // In that file alone, and never through a link.
    for (auto place = places.cbegin(); place != places.cend(); ++place) {
        QFile file(place.value());
        const bool own = QFileInfo(file).isFile() && !QFileInfo(file).isSymLink();
        QCOMPARE(own, place.key() == keptIn);
        if (own)
            QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(),
                     QByteArray("\"kept \"\"term\"\"\",\"kept\ndefinition\"\r\n"));
    }
    QCOMPARE(QFileInfo(linkTarget).size(), 0);
    QCOMPARE(listed(TempDeck::entriesAt(deck.toStdString())), QStringList{"1: term 1 / definition 1"});
}

QTEST_MAIN(TestAdding)
#include "tst_adding.moc"
