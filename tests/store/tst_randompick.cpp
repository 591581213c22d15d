// The random pick: the candidate range, redrawing over gaps, the bounds that
// keep the loop from running forever, and a uniform choice among entries.

#include "randompick.h"
#include "recordsource.h"
#include "storetest.h"

#include <QTest>
#include <SQLiteCpp/Database.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

using store::ErrorCode;

namespace {

const float kLargestBelowOne = std::nextafter(1.0f, 0.0f);

// Returns chosen draws in turn, the last one again once the list runs out,
// and can act on each draw (to change the file while the pick is drawing).
class FakeRandom : public store::RandomSource {
public:
    explicit FakeRandom(std::vector<float> draws) : draws_(std::move(draws)) {}

    float next() override
    {
        const float r = draws_[std::min(calls_, draws_.size() - 1)];
        ++calls_;
        if (onDraw)
            onDraw(calls_);
        return r;
    }

    std::size_t calls() const { return calls_; }
    std::function<void(std::size_t call)> onDraw;

private:
    std::vector<float> draws_;
    std::size_t calls_ = 0;
};

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
    void denseIdsAreHitOnFirstDraw_data();
    void denseIdsAreHitOnFirstDraw();
    void gapsAreRedrawnWithoutError();
    void singleEntryWithLargeIdIsFound();
    void largestId32767IsPicked();
    void largestId32768RaisesOverflowBeforeDrawing();
    void noIdFromOneUpRaisesAtOnce_data();
    void noIdFromOneUpRaisesAtOnce();
    void emptyTableRaisesNoEntries();
    void vanishedEntriesStopDrawingAtTheCheck();
    void longRunOfGapsPassesTheCheck();
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

void TestRandomPick::denseIdsAreHitOnFirstDraw_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("expected");

    QTest::addRow("1 entry") << 1 << 0.7f << 1;
    QTest::addRow("10 entries, r 0") << 10 << 0.0f << 1;
    QTest::addRow("10 entries, r 0.55") << 10 << 0.55f << 6;
    QTest::addRow("10 entries, r below 1") << 10 << kLargestBelowOne << 10;
    QTest::addRow("200 entries, r 0.5") << 200 << 0.5f << 101;
}

void TestRandomPick::denseIdsAreHitOnFirstDraw()
{
    QFETCH(int, entries);
    QFETCH(float, r);
    QFETCH(int, expected);

    const TempDeck deck(TempDeck::numbered(entries));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    FakeRandom random({r});

    store::PickRandomEntry(data, random);

    QCOMPARE(*refreshes, 1);
    QCOMPARE(random.calls(), 1u);
    QCOMPARE(data.RecordSource(), oneEntrySource(expected));
    QCOMPARE(currentId(data), expected);
    QCOMPARE(fieldText(data, "Question"), "term " + std::to_string(expected));
    QVERIFY(data.Recordset().RecordCount() > 0);
}

void TestRandomPick::gapsAreRedrawnWithoutError()
{
    const TempDeck deck(withIds({2, 5, 9}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    FakeRandom random({drawFor(1, 9), drawFor(3, 9), drawFor(8, 9), drawFor(5, 9)});

    store::PickRandomEntry(data, random);

    QCOMPARE(*refreshes, 4);
    QCOMPARE(data.RecordSource(), oneEntrySource(5));
    QCOMPARE(currentId(data), 5);
}

void TestRandomPick::singleEntryWithLargeIdIsFound()
{
    const TempDeck deck(withIds({30000}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    FakeRandom random({0.0f, 0.25f, 0.5f, 0.9999f, kLargestBelowOne});

    store::PickRandomEntry(data, random);

    QCOMPARE(*refreshes, 5);
    QCOMPARE(currentId(data), 30000);
}

void TestRandomPick::largestId32767IsPicked()
{
    const TempDeck deck(withIds({1, 32767}));
    for (const auto& [r, expected] : {std::pair{kLargestBelowOne, 32767}, std::pair{0.0f, 1}}) {
        store::DataControl data;
        openWholeTable(data, deck);
        FakeRandom random({r});
        store::PickRandomEntry(data, random);
        QCOMPARE(currentId(data), expected);
    }
}

void TestRandomPick::largestId32768RaisesOverflowBeforeDrawing()
{
    const TempDeck deck(withIds({1, 32768}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    FakeRandom random({0.0f});

    VERIFY_STORE_ERROR(store::PickRandomEntry(data, random), 6, "32768"); // the overflow error

    QCOMPARE(random.calls(), 0u);
    QCOMPARE(*refreshes, 0);
    QCOMPARE(data.RecordSource(), "Questions");
    QCOMPARE(currentId(data), 32768); // left on the last entry
}

void TestRandomPick::noIdFromOneUpRaisesAtOnce_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<QString>("range");

    QTest::addRow("IDs -5 and 0") << QList<qint64>{-5, 0} << "from 1 to 0";
    QTest::addRow("only negative IDs") << QList<qint64>{-9, -2} << "from 1 to -2";
}

void TestRandomPick::noIdFromOneUpRaisesAtOnce()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QString, range);

    const TempDeck deck(withIds(ids));
    store::DataControl data;
    openWholeTable(data, deck);
    FakeRandom random({0.5f});

    VERIFY_STORE_ERROR(store::PickRandomEntry(data, random), ErrorCode::NoEntryInRange, range.toStdString());
    QCOMPARE(random.calls(), 0u);
}

void TestRandomPick::emptyTableRaisesNoEntries()
{
    const TempDeck deck(TempDeck::numbered(3));
    store::DataControl data;
    openWholeTable(data, deck);
    // Every entry deleted, then the table reopened, as before a Next.
    for (data.Recordset().MoveFirst(); !data.Recordset().Eof(); data.Recordset().MoveNext())
        data.Recordset().Delete();
    openWholeTable(data, deck);
    FakeRandom random({0.5f});

    VERIFY_STORE_ERROR(store::PickRandomEntry(data, random), ErrorCode::NoCurrentRecord, "there are no entries");
    QCOMPARE(random.calls(), 0u);
}

// Another program deletes every entry in 1..L while the pick is drawing: the
// check after kDrawsBetweenChecks draws ends the loop.
void TestRandomPick::vanishedEntriesStopDrawingAtTheCheck()
{
    const TempDeck deck(withIds({-3, 1, 10}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    FakeRandom random({drawFor(5, 10)});
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

// More draws than kDrawsBetweenChecks over a gap, while an entry is there to
// be found: the check lets the loop go on.
void TestRandomPick::longRunOfGapsPassesTheCheck()
{
    const TempDeck deck(withIds({1, 10}));
    store::DataControl data;
    openWholeTable(data, deck);
    const auto refreshes = countRefreshes(data);
    const int gaps = int(store::kDrawsBetweenChecks) + 200;
    std::vector<float> draws(std::size_t(gaps), drawFor(5, 10));
    draws.push_back(drawFor(10, 10));
    FakeRandom random(draws);

    store::PickRandomEntry(data, random);

    QCOMPARE(*refreshes, gaps + 1);
    QCOMPARE(currentId(data), 10);
}

// Every entry is equally likely, whatever the gaps before it: a chi-square
// test over many picks with the program's generator and a fixed seed.
void TestRandomPick::picksAreUniformOverEntries()
{
    const QList<qint64> ids{1, 2, 3, 4, 5, 6, 7, 8, 20, 21, 22, 40, 41, 60, 80, 100};
    const TempDeck deck(withIds(ids));
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
