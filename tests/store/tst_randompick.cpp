// SPDX-License-Identifier: MIT
// The random pick: the candidate range, redrawing over gaps, the bounds that
// keep the loop from running forever, and a uniform choice among entries.

#include "randompick.h"
#include "randomsources.h"
#include "recordsource.h"
#include "storetest.h"

#include <QTest>
#include <SQLiteCpp/Database.h>

#include <cmath>
#include <map>
#include <memory>

using store::ErrorCode;

Q_DECLARE_METATYPE(std::vector<float>)

namespace {

const float kLargestBelowOne = std::nextafter(1.0f, 0.0f);

// The draw that gives candidate `id` when the largest ID is `largest`.
float drawFor(int id, int largest)
{
    return (float(id) - 0.5f) / float(largest);
}

// Counts the Refresh calls of `data` from now on: one per draw.
std::shared_ptr<const int> countRefreshes(store::DataControl& data)
{
    auto counter = std::make_shared<int>(0);
    data.hooks.beforeOperation = [counter](std::string_view operation) {
        if (operation == "Refresh")
            ++*counter;
    };
    return counter;
}

std::string oneEntrySource(qint64 id)
{
    return store::kOneEntryQuery + std::to_string(id);
}

} // namespace

class TestRandomPick : public QObject {
    Q_OBJECT

private slots:
    void candidateStaysWithinOneToLargest_data();
    void candidateStaysWithinOneToLargest();
    void candidateAtExtremesForEveryLargestId();
    void generatorDrawsLieInZeroToOne();
    void pickDrawsUntilTheCandidateExists_data();
    void pickDrawsUntilTheCandidateExists();
    void pickRefusesBeforeDrawing_data();
    void pickRefusesBeforeDrawing();
    void vanishedEntriesStopDrawingAtTheCheck();
    void picksAreUniformOverEntries();
};

void TestRandomPick::candidateStaysWithinOneToLargest_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("largest");
    QTest::addColumn<int>("expected");

    QTest::addRow("r 0, largest 1") << 0.0f << 1 << 1;
    QTest::addRow("r below 1, largest 1") << kLargestBelowOne << 1 << 1;
    QTest::addRow("r 0, largest 32767") << 0.0f << 32767 << 1;
    QTest::addRow("r below 1, largest 32767") << kLargestBelowOne << 32767 << 32767;
    QTest::addRow("r smallest step, largest 32767") << 0x1p-24f << 32767 << 1;
    QTest::addRow("r 0.5, largest 2") << 0.5f << 2 << 2;
    QTest::addRow("r just below 0.5, largest 2") << std::nextafter(0.5f, 0.0f) << 2 << 1;
    QTest::addRow("r 0.5, largest 7") << 0.5f << 7 << 4;
    QTest::addRow("r 1/3, largest 3") << 1.0f / 3.0f << 3 << 2;
}

void TestRandomPick::candidateStaysWithinOneToLargest()
{
    QFETCH(float, r);
    QFETCH(int, largest);
    QFETCH(int, expected);

    QCOMPARE(int(store::candidateId(r, std::int16_t(largest))), expected);
}

// Rounding must never lift the candidate to largest + 1 nor drop it to 0.
void TestRandomPick::candidateAtExtremesForEveryLargestId()
{
    for (int largest = 1; largest <= 32767; ++largest) {
        const auto low = store::candidateId(0.0f, std::int16_t(largest));
        const auto high = store::candidateId(kLargestBelowOne, std::int16_t(largest));
        if (low != 1 || high != largest)
            QFAIL(qPrintable(QString("largest %1: candidates %2 and %3").arg(largest).arg(low).arg(high)));
    }
}

void TestRandomPick::generatorDrawsLieInZeroToOne()
{
    for (const float seed : {0.0f, 1.0f, 43199.5f, 86399.99f}) {
        store::Generator generator;
        generator.seed(seed);
        float lowest = 1.0f, highest = 0.0f;
        double sum = 0;
        constexpr int kDraws = 200000;
        for (int i = 0; i < kDraws; ++i) {
            const float r = generator.next();
            if (!(r >= 0.0f && r < 1.0f))
                QFAIL(qPrintable(QString("draw %1 out of [0, 1)").arg(double(r), 0, 'g', 10)));
            lowest = std::min(lowest, r);
            highest = std::max(highest, r);
            sum += r;
        }
        QVERIFY(lowest < 1e-3f);
        QVERIFY(highest > 1.0f - 1e-3f);
        QVERIFY(std::abs(sum / kDraws - 0.5) < 0.01);
    }
}

void TestRandomPick::pickDrawsUntilTheCandidateExists_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<std::vector<float>>("draws"); // the last one hits
    QTest::addColumn<qint64>("picked");

    QTest::addRow("1 entry") << idsOf(TempDeck::numbered(1)) << std::vector{0.7f} << qint64(1);
    QTest::addRow("10 entries, r 0") << idsOf(TempDeck::numbered(10)) << std::vector{0.0f} << qint64(1);
    QTest::addRow("10 entries, r 0.55") << idsOf(TempDeck::numbered(10)) << std::vector{0.55f} << qint64(6);
    QTest::addRow("10 entries, r below 1")
        << idsOf(TempDeck::numbered(10)) << std::vector{kLargestBelowOne} << qint64(10);
    QTest::addRow("200 entries, r 0.5") << idsOf(TempDeck::numbered(200)) << std::vector{0.5f} << qint64(101);
    QTest::addRow("largest ID 32767, r below 1")
        << QList<qint64>{1, 32767} << std::vector{kLargestBelowOne} << qint64(32767);
    QTest::addRow("largest ID 32767, r 0") << QList<qint64>{1, 32767} << std::vector{0.0f} << qint64(1);
    QTest::addRow("gaps are drawn again")
        << QList<qint64>{2, 5, 9} << std::vector{drawFor(1, 9), drawFor(3, 9), drawFor(8, 9), drawFor(5, 9)}
        << qint64(5);
    QTest::addRow("one entry with a large ID")
        << QList<qint64>{30000} << std::vector{0.0f, 0.25f, 0.5f, 0.9999f, kLargestBelowOne} << qint64(30000);
    // More draws than kDrawsBetweenChecks over a gap, while an entry is there
    // to be found: the check lets the loop go on.
    std::vector<float> longRun(store::kDrawsBetweenChecks + 200, drawFor(5, 10));
    longRun.push_back(drawFor(10, 10));
    QTest::addRow("a run of gaps longer than the check") << QList<qint64>{1, 10} << longRun << qint64(10);
}

// One Refresh per draw, and the entry drawn is the record set's only one.
void TestRandomPick::pickDrawsUntilTheCandidateExists()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(std::vector<float>, draws);
    QFETCH(qint64, picked);

    const TempDeck deck(TempDeck::withIds(ids));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    DrawSequence random(draws);

    store::PickRandomEntry(data, random);

    QCOMPARE(random.calls(), draws.size());
    QCOMPARE(*refreshes, int(draws.size()));
    QCOMPARE(data.RecordSource(), oneEntrySource(picked));
    QCOMPARE(currentId(data), picked);
    QCOMPARE(fieldText(data, "Question"), "term " + std::to_string(picked));
}

void TestRandomPick::pickRefusesBeforeDrawing_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says");

    QTest::addRow("largest ID 32768: overflow") << QList<qint64>{1, 32768} << int(ErrorCode::Overflow) << "32768";
    QTest::addRow("IDs -5 and 0") << QList<qint64>{-5, 0} << int(ErrorCode::NoEntryInRange) << "from 1 to 0";
    QTest::addRow("only negative IDs") << QList<qint64>{-9, -2} << int(ErrorCode::NoEntryInRange) << "from 1 to -2";
    QTest::addRow("empty table") << QList<qint64>{} << int(ErrorCode::NoCurrentRecord) << "there are no entries";
}

void TestRandomPick::pickRefusesBeforeDrawing()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(int, number);
    QFETCH(QString, says);

    const TempDeck deck(TempDeck::withIds(ids));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    DrawSequence random({0.5f});

    VERIFY_STORE_ERROR(store::PickRandomEntry(data, random), number, says.toStdString());

    QCOMPARE(random.calls(), 0u);
    QCOMPARE(*refreshes, 0);
    QCOMPARE(data.RecordSource(), store::kWholeTableSource);
    if (!ids.isEmpty()) // left on the last entry
        QCOMPARE(currentId(data), ids.last());
}

// Another program deletes every entry in 1..L while the pick is drawing: the
// check after kDrawsBetweenChecks draws ends the loop.
void TestRandomPick::vanishedEntriesStopDrawingAtTheCheck()
{
    const TempDeck deck(TempDeck::withIds({-3, 1, 10}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    DrawSequence random({drawFor(5, 10)});
    random.onDraw = [&](std::size_t call) {
        if (call == 1) {
            SQLite::Database other(deck.path(), SQLite::OPEN_READWRITE);
            other.exec("DELETE FROM Questions WHERE ID >= 1");
        }
    };

    VERIFY_STORE_ERROR(store::PickRandomEntry(data, random), ErrorCode::NoEntryInRange, "from 1 to 10");

    QCOMPARE(random.calls(), std::size_t(store::kDrawsBetweenChecks));
    QCOMPARE(*refreshes, int(store::kDrawsBetweenChecks));
    QCOMPARE(idsOf(deck.entries()), QList<qint64>{-3});
}

// Every entry is equally likely, whatever the gaps before it: a chi-square
// test over many picks with the program's generator and a fixed seed.
void TestRandomPick::picksAreUniformOverEntries()
{
    const QList<qint64> ids{1, 2, 3, 4, 5, 6, 7, 8, 20, 21, 22, 40, 41, 60, 80, 100};
    const TempDeck deck(TempDeck::withIds(ids));
    store::DataControl data;
    store::Generator generator;
    generator.seed(45296.5f);

    constexpr int kPicks = 1600;
    std::map<qint64, int> counts;
    for (int i = 0; i < kPicks; ++i) {
        openWholeTable(data, deck);
        store::PickRandomEntry(data, generator);
        ++counts[currentId(data)];
    }

    QCOMPARE(counts.size(), std::size_t(ids.size())); // every entry, and nothing else
    const double expected = double(kPicks) / double(ids.size());
    double chiSquare = 0;
    for (const auto id : ids) {
        const double d = counts[id] - expected;
        chiSquare += d * d / expected;
    }
    // 15 degrees of freedom: a fair pick exceeds 56.5 with probability 1e-6.
    QVERIFY2(chiSquare < 56.5, qPrintable(QString("chi-square %1").arg(chiSquare)));
}

QTEST_GUILESS_MAIN(TestRandomPick)
#include "tst_randompick.moc"
