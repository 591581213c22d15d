// SPDX-License-Identifier: MIT
// Bad database files as the user meets them: missing, empty, random,
// damaged, of the wrong shape, hostile, or odd in content. For each, what the
// user sees at each step (the two connection messages, the default error
// report, or nothing), that the window goes on working after it, and that
// the file stays byte for byte as it was until the user stores an entry.
// Which error each refused kind raises is the store's tests' concern.

#include "badfile.h"
#include "messageboxes.h"
#include "tempdeck.h"
#include "testwindow.h"
#include "unprivilegeduser.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <functional>

namespace {

// Each expected box is a regular expression for its whole text.
bool matches(const QStringList& shown, const QStringList& expected)
{
    if (shown.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!QRegularExpression(QRegularExpression::anchoredPattern(expected[i]),
                                QRegularExpression::DotMatchesEverythingOption)
                 .match(shown[i])
                 .hasMatch())
            return false;
    }
    return true;
}

QString shown(const QStringList& boxes)
{
    QStringList cut;
    for (const auto& text : boxes)
        cut << text.left(200);
    return "[" + cut.join(" | ") + "]";
}

// The two connection messages, the second (number and description) matching `detail`.
QStringList openFailed(const QString& detail)
{
    return {QRegularExpression::escape(kOpenFailedText), detail};
}

// No step may hold the window up longer than this. Laying out a field of a
// megabyte takes Qt about a second a box.
constexpr qint64 kLongestStepMs = 5000;

// An entry as the window shows it: numbers in decimal, NULL as empty text,
// other bytes as UTF-8.
struct Entry {
    qint64 id;
    QString term;
    QString definition;
};

QString shownAs(const SQLite::Column& column)
{
    if (column.isNull())
        return {};
    if (column.isFloat())
        return QString::number(column.getDouble(), 'g', 15);
    return QString::fromStdString(column.getString());
}

std::vector<Entry> readEntries(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT ID, Question, Description FROM Questions ORDER BY ID");
    std::vector<Entry> entries;
    while (query.executeStep())
        entries.push_back({query.getColumn(0).getInt64(), shownAs(query.getColumn(1)), shownAs(query.getColumn(2))});
    return entries;
}

bool shows(const std::vector<Entry>& entries, const QString& term, const QString& definition)
{
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Entry& e) { return e.term == term && e.definition == definition; });
}

// How long the other process holds the file: longer than the program's wait.
constexpr int kHoldSeconds = 4;

} // namespace

class TestBadFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quietPlatformWarnings(); }
    void badFileIsReportedAndWindowGoesOn_data();
    void badFileIsReportedAndWindowGoesOn();
    void readOnlyFileRefusesStoreAndKeepsTypedEntry();
    void fileHeldByAnotherProcessGivesClearErrorAfterBoundedWait_data();
    void fileHeldByAnotherProcessGivesClearErrorAfterBoundedWait();
};

void TestBadFiles::badFileIsReportedAndWindowGoesOn_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("refusal");    // the second connection message's detail; empty: the file opens
    QTest::addColumn<QString>("nextReport"); // the default error report on the first "Next"; empty: none
    QTest::addColumn<qint64>("newId");       // the ID of an entry then stored on the Create screen

    const auto refused = [](const char* file, const char* detail) {
        QTest::addRow("%s", file) << QString::fromLatin1(file) << QString::fromLatin1(detail) << QString() << qint64(0);
    };
    // One file of each way a refusal comes about: SQLite cannot open it, it
    // is not a database, it is damaged, or the program's check refuses it,
    // for want of the table or for a trigger on a table that has entries.
    // The other shapes the check refuses take the same road.
    refused("missing", "14:  The database file '.*Verbrio.mdb' does not exist");
    refused("zero bytes", "3800:  The database file '.*' has no table Questions");
    refused("random bytes", "26:  file is not a database \\(database file '.*Verbrio.mdb'\\)");
    refused("SQLite header, damaged table pages", "11:  database disk image is malformed .*");
    refused("a directory of that name", "14:  '.*Verbrio.mdb' is a directory, not a database file");
    refused("no table Questions", "3800:  .* has no table Questions");
    refused("a trigger on the table", "3800:  .* carries a trigger; Verbrio does not open such files");
    refused("a generated column", "3951:  The table Questions in '.*' has a generated or hidden column, Pad; .*");

    const auto opens = [](const char* file, const char* nextReport, qint64 newId) {
        QTest::addRow("%s", file) << QString::fromLatin1(file) << QString() << QString::fromLatin1(nextReport) << newId;
    };
    opens("views beside the table", "", 3);
    opens("CHECK only in names and texts", "", 3);
    opens("numbers, blobs and NULLs in the text fields", "", 4);
    opens("invalid UTF-8 bytes", "", 2);
    opens("texts of one megabyte", "", 2);
    // The pick fails: entering Review says nothing, the first "Next" reports it.
    opens("only IDs below 1", "Error 3900\n\nNo entry has an ID from 1 to 0, so none can be drawn", 1);
    // A new entry would need an ID the Review screen cannot draw: refused (0).
    opens("largest ID 32768", "Error 3006\n\nOverflow: 32768 does not fit a 16-bit integer .*", 0);
}

void TestBadFiles::badFileIsReportedAndWindowGoesOn()
{
    QFETCH(QString, file);
    QFETCH(QString, refusal);
    QFETCH(QString, nextReport);
    QFETCH(qint64, newId);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verbrio.mdb"));
    QVERIFY(badfile::make(file, path));
    const QByteArray before = snapshot(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const std::vector<Entry> entries = refusal.isEmpty() ? readEntries(path) : std::vector<Entry>{};

    MessageBoxes boxes;
    FrmMain w(dir.path());
    // Each step as the user takes it: what the boxes said, and no step that
    // holds the window up for long.
    QElapsedTimer clock;
    const auto step = [&](const char* name, const std::function<void()>& action, const QStringList& expected) {
        clock.start();
        action();
        const qint64 took = clock.elapsed();
        const QStringList seen = boxes.takeTexts();
        QVERIFY2(matches(seen, expected),
                 qPrintable(QStringLiteral("%1: shown %2, expected %3").arg(name, shown(seen), shown(expected))));
        QVERIFY2(took < kLongestStepMs, qPrintable(QStringLiteral("%1 took %2 ms").arg(name).arg(took)));
    };
    const QStringList none;
    const QStringList notOpen{"Error 3420\n\nNo record set is open: the database could not be opened"};

    step(
        "start-up", [&] { QVERIFY(startWindow(w)); }, refusal.isEmpty() ? none : openFailed(refusal));
    if (QTest::currentTestFailed())
        return;

    if (!refusal.isEmpty()) {
        // Every step meets the same refusal; the window answers each one.
        step(
            "Review", [&] { click((*w.optScreen)[1]); },
            openFailed(refusal) << QRegularExpression::escape(kNoEntriesText));
        QCOMPARE(screenOf(w), kNoScreen);
        step(
            "Create", [&] { click((*w.optScreen)[0]); }, openFailed(refusal) << notOpen);
        QCOMPARE(screenOf(w), kCreateScreen);
        typeInto(w.txtInQuestion, QStringLiteral("new term"));
        step(
            "OK", [&] { click(w.cmdOK); }, notOpen);
        step(
            "Cancel", [&] { click(w.cmdCancel); }, notOpen);
        QVERIFY(w.isVisible());
        QVERIFY2(snapshot(path) == before, "the file changed");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
        return;
    }

    // The file opens: the drill works on what it holds.
    step(
        "Review", [&] { click((*w.optScreen)[1]); }, none);
    QCOMPARE(screenOf(w), kReviewScreen);
    if (nextReport.isEmpty())
        QVERIFY2(shows(entries, w.txtOutQuestion->text(), w.txtOutAnswer->text()),
                 qPrintable("the Review boxes show no entry of the file: " + w.txtOutQuestion->text().left(40)));
    step(
        "Show", [&] { click(w.cmdShow); }, none);
    step(
        "Next", [&] { click(w.cmdShow); }, nextReport.isEmpty() ? none : QStringList{nextReport});
    QCOMPARE(w.cmdShow->text(), nextReport.isEmpty() ? QStringLiteral("Show") : QStringLiteral("Next"));
    if (nextReport.isEmpty())
        QVERIFY(shows(entries, w.txtOutQuestion->text(), w.txtOutAnswer->text()));
    step(
        "Show definitions", [&] { click((*w.optShow)[1]); }, none);
    QVERIFY2(snapshot(path) == before, "reading the file changed it");
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);

    // Storing works as on any file.
    step(
        "Create", [&] { click((*w.optScreen)[0]); }, none);
    typeInto(w.txtInQuestion, QStringLiteral("new term"));
    typeInto(w.txtInAnswer, QStringLiteral("new definition"));
    const bool full = newId == 0;
    step(
        "OK", [&] { click(w.cmdOK); },
        full ? QStringList{"Error 3920\n\nThe deck is full: its largest ID is .*'verbrio-deck compact'.*"} : none);
    const auto after = readEntries(path);
    if (full) {
        QCOMPARE(after.size(), entries.size());
        return;
    }
    QCOMPARE(after.size(), entries.size() + 1);
    QCOMPARE(after.back().id, newId);
    QCOMPARE(after.back().term, QStringLiteral("new term"));
    QCOMPARE(after.back().definition, QStringLiteral("new definition"));
    QCOMPARE(integrityOf(path.toStdString()), QStringLiteral("ok"));
}

void TestBadFiles::readOnlyFileRefusesStoreAndKeepsTypedEntry()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verbrio.mdb"));
    badfile::sql(path, {badfile::kTable, badfile::kTwoEntries});
    QVERIFY(makeReadOnly(path, dir.path()));
    const QByteArray before = snapshot(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    // Root writes to read-only files: run as an unprivileged user for a while.
    UnprivilegedUser user;
    if (!user.ok())
        QSKIP("running as root and cannot drop to an unprivileged user, so a read-only file would still be written");

    MessageBoxes boxes;
    {
        FrmMain w(dir.path());
        QVERIFY(startWindow(w));
        click((*w.optScreen)[1]);
        QCOMPARE(boxes.takeTexts(), QStringList());
        QCOMPARE(screenOf(w), kReviewScreen); // reading works

        click((*w.optScreen)[0]);
        typeInto(w.txtInQuestion, QStringLiteral("kept term"));
        typeInto(w.txtInAnswer, QStringLiteral("kept definition"));
        const QStringList refused{"Error 8\n\nattempt to write a readonly database .*"};
        for (int press = 1; press <= 2; ++press) {
            click(w.cmdOK);
            const QStringList seen = boxes.takeTexts();
            QVERIFY2(matches(seen, refused), qPrintable(QStringLiteral("OK %1: %2").arg(press).arg(shown(seen))));
            // Nothing typed is thrown away: the entry stays pending, on screen.
            QCOMPARE(w.txtInQuestion->text(), QStringLiteral("kept term"));
            QCOMPARE(w.txtInAnswer->text(), QStringLiteral("kept definition"));
            QVERIFY(w.Data1.Recordset().pending());
            QCOMPARE(screenOf(w), kCreateScreen);
        }
        click(w.cmdCancel);
        QCOMPARE(boxes.takeTexts(), QStringList());
        QCOMPARE(screenOf(w), kNoScreen);
    }
    QVERIFY2(snapshot(path) == before, "the read-only file changed");
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
}

void TestBadFiles::fileHeldByAnotherProcessGivesClearErrorAfterBoundedWait_data()
{
    QTest::addColumn<bool>("wal");       // the file's journal: WAL, or SQLite's rollback journal
    QTest::addColumn<bool>("atStartUp"); // held as the program starts, else while the user stores
    QTest::addRow("held as the program starts, rollback journal") << false << true;
    QTest::addRow("held while the user stores, rollback journal") << false << false;
    QTest::addRow("held while the user stores, WAL") << true << false;
}

void TestBadFiles::fileHeldByAnotherProcessGivesClearErrorAfterBoundedWait()
{
    QFETCH(bool, wal);
    QFETCH(bool, atStartUp);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verbrio.mdb"));
    badfile::sql(path, {badfile::kTable, badfile::kTwoEntries});
    if (wal)
        badfile::sql(path, {"PRAGMA journal_mode = WAL"});

    // Another process holds a write transaction for longer than the program waits.
    QProcess holder;
    const auto hold = [&] {
        holder.start(QStringLiteral(STOREDRIVER), {QStringLiteral("hold"), path, QString::number(kHoldSeconds)});
        return holder.waitForReadyRead(10'000) && holder.readAllStandardOutput() == "held\n";
    };
    const auto released = [&] {
        return holder.waitForFinished(kHoldSeconds * 1000 + 10'000) && holder.exitCode() == 0;
    };

    MessageBoxes boxes;
    FrmMain w(dir.path());
    QElapsedTimer clock;
    if (atStartUp) {
        QVERIFY(hold());
        clock.start();
        w.Form_Load();
        const qint64 took = clock.elapsed();
        const QStringList seen = boxes.takeTexts();
        QVERIFY2(matches(seen, openFailed("5:  database is locked .*")), qPrintable(shown(seen)));
        QVERIFY2(took >= 1500 && took < 3500, qPrintable(QStringLiteral("start-up waited %1 ms").arg(took)));
        w.show();
        QVERIFY(activate(w));
        QVERIFY(released());
        click((*w.optScreen)[1]); // the file is free again: the program works on
        QCOMPARE(boxes.takeTexts(), QStringList());
        QCOMPARE(screenOf(w), kReviewScreen);
        QCOMPARE(readEntries(path).size(), std::size_t(2));
        return;
    }

    QVERIFY(startWindow(w));
    click((*w.optScreen)[0]);
    typeInto(w.txtInQuestion, QStringLiteral("waiting term"));
    QVERIFY(hold());
    clock.start();
    click(w.cmdOK);
    const qint64 took = clock.elapsed();
    const QStringList seen = boxes.takeTexts();
    QVERIFY2(matches(seen, {"Error 5\n\ndatabase is locked .*"}), qPrintable(shown(seen)));
    QVERIFY2(took >= 1500 && took < 3500, qPrintable(QStringLiteral("OK waited %1 ms").arg(took)));
    QCOMPARE(w.txtInQuestion->text(), QStringLiteral("waiting term")); // still pending, on screen
    QVERIFY(released());
    click(w.cmdOK); // the file is free again: the entry is stored
    QCOMPARE(boxes.takeTexts(), QStringList());
    const auto entries = readEntries(path);
    QCOMPARE(entries.size(), std::size_t(3));
    QCOMPARE(entries.back().term, QStringLiteral("waiting term"));
    QCOMPARE(integrityOf(path.toStdString()), QStringLiteral("ok"));
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
