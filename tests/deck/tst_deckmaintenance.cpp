// SPDX-License-Identifier: MIT
// check, compact and init on real deck files, and the window's random pick
// on a compacted deck.

#include "compactor.h"
#include "connection.h"
#include "deckcheck.h"
#include "deckerror.h"
#include "deckinit.h"
#include "decktest.h"
#include "randomsources.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

// What the Review screen does: open the whole table, pick one entry.
std::string pickOnce(const TempDeck& target, store::RandomSource& random)
{
    store::DataControl data;
    openWholeTable(data, target);
    store::PickRandomEntry(data, random);
    return fieldText(data, "Question");
}

} // namespace

class TestDeckMaintenance : public QObject {
    Q_OBJECT

private slots:
    void checkReportsCountRangeGapsAndWarnings_data();
    void checkReportsCountRangeGapsAndWarnings();
    void checkFailsOnADamagedDeck();
    void compactRenumbersInOrderSoEveryPickHitsFirstTime_data();
    void compactRenumbersInOrderSoEveryPickHitsFirstTime();
    void compactWaitsForABusyDeckThenChangesNothing_data();
    void compactWaitsForABusyDeckThenChangesNothing();
    void initWritesAnEmptyDeckAndNeverTouchesAnExistingFile();
};

void TestDeckMaintenance::checkReportsCountRangeGapsAndWarnings_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<long long>("lowest");
    QTest::addColumn<long long>("highest");
    QTest::addColumn<long long>("gaps");
    QTest::addColumn<long long>("missing");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<bool>("renumbers");      // whether compact would change an ID
    QTest::addColumn<QList<qint64>>("blank"); // entries whose texts are emptied first

    QList<qint64> tooMany;
    for (qint64 id = 1; id <= 32768; ++id)
        tooMany << id;
    QTest::addRow("empty") << QList<qint64>{} << 0LL << 0LL << 0LL << 0LL << QStringList{} << false << QList<qint64>{};
    QTest::addRow("1 to 5") << QList<qint64>{1, 2, 3, 4, 5} << 1LL << 5LL << 0LL << 0LL << QStringList{} << false
                            << QList<qint64>{};
    QTest::addRow("starts at 3") << QList<qint64>{3, 4, 5} << 3LL << 5LL << 1LL << 2LL << QStringList{} << true
                                 << QList<qint64>{};
    QTest::addRow("gaps and an ID above 32767")
        << QList<qint64>{1, 2, 5, 6, 10, 40000} << 1LL << 40000LL << 3LL << 39994LL
        << QStringList{"above 32767", "more than 4 times"} << true << QList<qint64>{};
    QTest::addRow("sparse") << QList<qint64>{1, 9} << 1LL << 9LL << 1LL << 7LL << QStringList{"more than 4 times"}
                            << true << QList<qint64>{};
    QTest::addRow("IDs below 1") << QList<qint64>{-2, 0, 1, 2} << -2LL << 2LL << 0LL << 0LL
                                 << QStringList{"2 entries have an ID below 1"} << true << QList<qint64>{};
    QTest::addRow("1 to 32768: more than compact can help")
        << tooMany << 1LL << 32768LL << 0LL << 0LL << QStringList{"move some of them"} << false << QList<qint64>{};
    QTest::addRow("largest ID 32767: no room for a new entry")
        << QList<qint64>{1, 32767} << 1LL << 32767LL << 1LL << 32765LL
        << QStringList{"more than 4 times", "no new entry fits"} << true << QList<qint64>{};
    QTest::addRow("blank entries") << QList<qint64>{1, 2, 3} << 1LL << 3LL << 0LL << 0LL
                                   << QStringList{"2 entries have neither a term nor a definition"} << false
                                   << QList<qint64>{1, 3};
}

void TestDeckMaintenance::checkReportsCountRangeGapsAndWarnings()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(long long, lowest);
    QFETCH(long long, highest);
    QFETCH(long long, gaps);
    QFETCH(long long, missing);
    QFETCH(QStringList, warnings);
    QFETCH(bool, renumbers);
    QFETCH(QList<qint64>, blank);

    TempDeck target(TempDeck::withIds(ids));
    for (const qint64 id : blank) // empty text and NULL alike
        SQLite::Database(target.path(), SQLite::OPEN_READWRITE)
            .exec("UPDATE Questions SET Question = '', Description = NULL WHERE ID = " + std::to_string(id));
    const QByteArray before = snapshot(target.path());
    deck::DeckFigures figures;
    {
        store::Connection connection(target.path());
        figures = deck::examineDeck(connection);
    }
    QCOMPARE(figures.count, static_cast<long long>(ids.size()));
    QCOMPARE(figures.lowest, lowest);
    QCOMPARE(figures.highest, highest);
    QCOMPARE(figures.gaps, gaps);
    QCOMPARE(figures.missing, missing);
    QCOMPARE(figures.blank, static_cast<long long>(blank.size()));
    QVERIFY(figures.intact());
    const std::vector<std::string> given = deck::deckWarnings(figures, "deck.mdb");
    QCOMPARE(given.size(), static_cast<std::size_t>(warnings.size()));
    for (std::size_t i = 0; i < given.size(); ++i)
        QVERIFY2(QString::fromStdString(given[i]).contains(warnings.at(static_cast<qsizetype>(i))), given[i].c_str());
    QCOMPARE(deck::compactChangesIds(figures), renumbers);
    QCOMPARE(snapshot(target.path()), before); // check writes nothing
}

void TestDeckMaintenance::checkFailsOnADamagedDeck()
{
    TempDeck target(TempDeck::numbered(20));
    {
        // An index whose recorded definition no longer matches its contents.
        SQLite::Database db(target.path(), SQLite::OPEN_READWRITE);
        db.exec("CREATE INDEX byTerm ON Questions (Question)");
        db.exec("PRAGMA writable_schema = ON");
        db.exec(
            "UPDATE sqlite_schema SET sql = 'CREATE INDEX byTerm ON Questions (Description)' WHERE name = 'byTerm'");
    }
    const ToolRun run = runTool({"check", QString::fromStdString(target.path())});
    QCOMPARE(run.status, deck::kFailure);
    QVERIFY2(run.out.contains("Integrity:  FAILED"), run.out.constData());
    QVERIFY2(run.err.contains("damaged"), run.err.constData());
}

void TestDeckMaintenance::compactRenumbersInOrderSoEveryPickHitsFirstTime_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<long long>("renumbered");

    QTest::addRow("gaps and IDs above 32767") << QList<qint64>{2, 700, 32768, 40000} << 4LL;
    QTest::addRow("IDs below 1 move up onto taken IDs") << QList<qint64>{-1, 0, 1} << 3LL;
    QTest::addRow("moving up and down") << QList<qint64>{0, 1, 5, 6} << 4LL;
    QTest::addRow("already 1 to n") << QList<qint64>{1, 2, 3} << 0LL;
}

void TestDeckMaintenance::compactRenumbersInOrderSoEveryPickHitsFirstTime()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(long long, renumbered);

    TempDeck target(TempDeck::withIds(ids));
    CountingRandom random(0.5f);
    if (ids.back() > deck::kLargestReviewableId)
        VERIFY_STORE_ERROR(pickOnce(target, random), store::ErrorCode::Overflow, "does not fit");

    deck::CompactResult result;
    {
        store::Connection connection(target.path());
        result = deck::compactDeck(connection);
    }
    QCOMPARE(result.count, static_cast<long long>(ids.size()));
    QCOMPARE(result.renumbered, renumbered);
    QVERIFY2(result.notReclaimed.empty(), result.notReclaimed.c_str());
    // The same texts in the same order, numbered from 1.
    std::vector<TestEntry> expected = TempDeck::withIds(ids);
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i].id = std::int64_t(i) + 1;
    QCOMPARE(target.entries(), expected);

    constexpr long kPicks = 20;
    random.draws = 0;
    for (long pick = 0; pick < kPicks; ++pick)
        QVERIFY(pickOnce(target, random).starts_with("term "));
    QCOMPARE(random.draws, kPicks);
}

void TestDeckMaintenance::compactWaitsForABusyDeckThenChangesNothing_data()
{
    QTest::addColumn<bool>("wal");
    QTest::addColumn<bool>("reading"); // the other program reads, as the drill does, rather than writes
    QTest::addRow("rollback journal") << false << false;
    QTest::addRow("WAL") << true << false;
    QTest::addRow("rollback journal, a reader") << false << true;
    QTest::addRow("WAL, a reader") << true << true;
}

void TestDeckMaintenance::compactWaitsForABusyDeckThenChangesNothing()
{
    QFETCH(bool, wal);
    QFETCH(bool, reading);

    const std::vector<TestEntry> entries{{5, "a", "b"}, {9, "c", "d"}};
    TempDeck target(entries);
    SQLite::Database other(target.path(), SQLite::OPEN_READWRITE);
    if (wal)
        other.exec("PRAGMA journal_mode = WAL");
    if (reading) {
        other.exec("BEGIN");
        QCOMPARE(other.execAndGet("SELECT count(*) FROM Questions").getInt(), 2);
    } else {
        other.exec("BEGIN IMMEDIATE");
        other.exec("INSERT INTO Questions (ID, Question, Description) VALUES (20, 'x', 'y')");
    }

    QElapsedTimer timer;
    timer.start();
    const ToolRun run = runTool({"compact", QString::fromStdString(target.path())});
    QCOMPARE(run.status, deck::kFailure);
    QVERIFY(timer.elapsed() >= 1900);
    QVERIFY2(run.err.contains("in use"), run.err.constData());

    other.exec("ROLLBACK");
    QCOMPARE(target.entries(), entries);
}

void TestDeckMaintenance::initWritesAnEmptyDeckAndNeverTouchesAnExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.mdb");
    deck::initDeck(path);
    {
        store::Connection connection(path.toStdString());
        QCOMPARE(deck::measureDeck(connection).count, 0LL); // the table passes the program's checks
    }

    const QString other = dir.filePath("precious.mdb");
    QFile file(other);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a deck, but someone's");
    file.close();
    for (const QString& existing : {path, other}) {
        const QByteArray before = snapshot(existing);
        const auto error = errorFrom([&] { deck::initDeck(existing); });
        QVERIFY(error);
        QCOMPARE(error->number(), static_cast<int>(deck::DeckErrorCode::FileExists));
        QCOMPARE(snapshot(existing), before);
    }
}

QTEST_GUILESS_MAIN(TestDeckMaintenance)
#include "tst_deckmaintenance.moc"
