// SPDX-License-Identifier: MIT
#include "handlerbench.h"

#include "benchdeck.h"
#include "connection.h"
#include "datacontrol.h"
#include "frmmain.h"
#include "messageboxes.h"
#include "randompick.h"
#include "randomsources.h"
#include "recordsource.h"
#include "residentmemory.h"
#include "textbox.h"
#include "worktime.h"

#include <QApplication>
#include <QPushButton>
#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <map>
#include <memory>

namespace {

// The handlers run on the real window, shown on Qt's offscreen platform. Each
// press is timed on its own (worktime.h); the event loop runs between presses
// (painting, answering boxes), outside the time taken.

void settle()
{
    QCoreApplication::processEvents();
}

// A window over a deck, loaded and shown as at start-up. Message boxes are
// answered (Yes to the warning of "Restart"); any other box means the
// benchmark did not measure what it claims, and fails it.
struct Window {
    explicit Window(const BenchDeck& deck, std::deque<BoxAnswer> answers = {})
        : boxes(std::move(answers)), frm(QString::fromStdString(deck.directory()))
    {
        frm.setRandomSource(&random);
        frm.Form_Load();
        frm.show();
        settle();
    }

    // Enters Review and presses "Show" and "Next" a few times, so that what
    // Qt does once per run (loading fonts and their fallbacks, caching glyphs)
    // is not counted against the first presses.
    void enterReview()
    {
        frm.optScreen->setValue(1, true);
        settle();
        for (int press = 0; press < 3; ++press)
            pressShowThenNext();
    }

    // "Show", then the timed "Next"; returns the seconds "Next" took.
    double pressShowThenNext()
    {
        frm.cmdShow_Click();
        settle();
        const double seconds = secondsOf([&] { frm.cmdShow_Click(); });
        settle();
        return seconds;
    }

    // Fails the benchmark when a box other than the expected answers showed.
    bool check(benchmark::State& state, qsizetype expectedBoxes = 0)
    {
        if (boxes.shown.size() == expectedBoxes)
            return true;
        const QString text = boxes.shown.isEmpty() ? QStringLiteral("none") : boxes.shown.last().text;
        state.SkipWithError(("unexpected message boxes; the last: " + text).toStdString().c_str());
        return false;
    }

    MessageBoxes boxes;
    CountingRandom random{12345.0f}; // one draw is one try of the pick
    FrmMain frm;
};

// Decks that the benchmarks only read, made once per shape and shared.
const BenchDeck& sharedDeck(std::int64_t count, std::int64_t largest)
{
    static std::map<std::pair<std::int64_t, std::int64_t>, BenchDeck> decks;
    auto found = decks.find({count, largest});
    if (found == decks.end()) {
        const auto ids = count == largest ? BenchDeck::consecutive(count) : BenchDeck::spread(count, largest);
        found = decks.emplace(std::pair{count, largest}, BenchDeck(ids)).first;
    }
    return found->second;
}

// "Next" on a table of IDs 1..n.
void nextPress(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    Window window(sharedDeck(n, n));
    window.enterReview();
    window.random.draws = 0;
    for (auto _ : state)
        state.SetIterationTime(window.pressShowThenNext());
    state.counters["tries"] = benchmark::Counter(double(window.random.draws), benchmark::Counter::kAvgIterations);
    window.check(state);
}

// "Next" on a table of IDs 1..n with the definitions as the prompt: the
// multi-line box is then in view and lays out each new entry's text.
void nextPressDefinitions(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    Window window(sharedDeck(n, n));
    window.enterReview();
    window.frm.optShow->setValue(1, true);
    settle();
    window.pressShowThenNext();
    for (auto _ : state)
        state.SetIterationTime(window.pressShowThenNext());
    window.check(state);
}

// "Show" (the reveal) on a table of IDs 1..n, each after a "Next".
void showPress(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    Window window(sharedDeck(n, n));
    window.enterReview();
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { window.frm.cmdShow_Click(); }));
        settle();
        window.frm.cmdShow_Click();
        settle();
    }
    window.check(state);
}

// "Next" on `count` entries spread over IDs 1..largest: most draws hit a gap.
void nextPressWithGaps(benchmark::State& state)
{
    Window window(sharedDeck(state.range(0), state.range(1)));
    window.enterReview();
    window.random.draws = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double press = window.pressShowThenNext();
        seconds += press;
        state.SetIterationTime(press);
    }
    state.counters["tries"] = benchmark::Counter(double(window.random.draws), benchmark::Counter::kAvgIterations);
    state.counters["us_per_try"] = seconds * 1e6 / double(window.random.draws);
    window.check(state);
}

// One narrowed Refresh on its own, the query one try of the pick costs, on
// the same file as nextPressWithGaps and with the same mix of hits and gaps.
void narrowedRefresh(benchmark::State& state)
{
    const std::int64_t largest = state.range(1);
    store::DataControl data;
    data.setDatabaseName(sharedDeck(state.range(0), largest).path());
    data.setRecordSource(store::kWholeTableSource);
    data.Refresh();
    store::Generator generator;
    generator.seed(12345.0f);
    long found = 0;
    for (auto _ : state) {
        data.setRecordSource(store::kOneEntryQuery
                             + std::to_string(store::candidateId(generator.next(), std::int16_t(largest))));
        state.SetIterationTime(secondsOf([&] {
            data.Refresh();
            found += data.Recordset().RecordCount();
        }));
    }
    state.counters["hits"] = benchmark::Counter(double(found), benchmark::Counter::kAvgIterations);
}

// Entering the Review screen on a table of IDs 1..n.
void enterReview(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    Window window(sharedDeck(n, n));
    window.enterReview();
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { window.frm.optScreen_Click(1); }));
        settle();
    }
    window.check(state);
}

// "OK" on the Create screen (Update, then AddNew), entry after entry, into a
// table that starts empty. Typing the texts is not timed.
void storeEntry(benchmark::State& state)
{
    BenchDeck deck(std::vector<std::int64_t>{});
    long stored = 0;
    {
        Window window(deck);
        window.frm.optScreen->setValue(0, true);
        settle();
        for (auto _ : state) {
            window.frm.txtInQuestion->insert(QString::fromStdString(BenchDeck::term(stored + 1)));
            window.frm.txtInAnswer->insertPlainText(QString::fromStdString(BenchDeck::definition(stored + 1)));
            state.SetIterationTime(secondsOf([&] { window.frm.cmdOK_Click(); }));
            ++stored;
            settle();
        }
        if (!window.check(state))
            return;
    }
    // Stored means committed: another connection sees every entry.
    if (deck.entryCount() != stored)
        state.SkipWithError("not every entry stored reached the file");
}

// A deck of IDs 1..n that no benchmark opens: the source of fresh copies.
const BenchDeck& templateDeck(std::int64_t n)
{
    static std::map<std::int64_t, BenchDeck> decks;
    auto found = decks.find(n);
    if (found == decks.end())
        found = decks.emplace(n, BenchDeck(BenchDeck::consecutive(n))).first;
    return found->second;
}

// "Restart", answered Yes, on a fresh copy of a table of IDs 1..n. The time
// includes showing and answering the warning, the backup, and the work of the
// idle point that follows (the checkpoint and leaving WAL).
void restart(benchmark::State& state)
{
    double cpu = 0;
    for (auto _ : state) {
        const BenchDeck deck = BenchDeck::copyOf(templateDeck(state.range(0)));
        {
            Window window(deck, {BoxAnswer::Yes});
            cpu += cpuSecondsOf([&] {
                state.SetIterationTime(secondsOf([&] {
                    window.frm.cmdRestart_Click();
                    window.frm.Data1.settleFile();
                }));
            });
            if (!window.check(state, 1))
                return;
        }
        if (deck.entryCount() != 0) {
            state.SkipWithError("entries are left after Restart");
            return;
        }
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// One "DELETE FROM Questions" on a fresh copy of the same file, over a
// connection with the program's settings.
void bulkDelete(benchmark::State& state)
{
    double cpu = 0;
    for (auto _ : state) {
        const BenchDeck deck = BenchDeck::copyOf(templateDeck(state.range(0)));
        store::Connection connection(deck.path());
        connection.db().exec("PRAGMA journal_mode = WAL"); // as the program writes
        cpu += cpuSecondsOf(
            [&] { state.SetIterationTime(secondsOf([&] { connection.db().exec("DELETE FROM Questions"); })); });
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// The least that deleting entry by entry can cost: one committed DELETE per
// entry, in ID order, on a fresh copy of the same file, over a connection with
// the program's settings, with no record set and no window.
void deleteEach(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    double cpu = 0;
    for (auto _ : state) {
        const BenchDeck deck = BenchDeck::copyOf(templateDeck(n));
        store::Connection connection(deck.path());
        connection.db().exec("PRAGMA journal_mode = WAL"); // as the program writes
        SQLite::Statement remove(connection.db(), "DELETE FROM Questions WHERE ID = ?1");
        const auto deleteAll = [&] {
            for (std::int64_t id = 1; id <= n; ++id) {
                remove.bind(1, id);
                remove.exec();
                remove.reset();
            }
        };
        cpu += cpuSecondsOf([&] { state.SetIterationTime(secondsOf(deleteAll)); });
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// Resident memory after entering Review and after `presses` presses of
// "Next", on a table of IDs 1..n with texts of 255 characters. Run it in a
// process of its own to compare table sizes.
void memory(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::int64_t presses = state.range(1);
    const BenchDeck deck(BenchDeck::consecutive(n), BenchDeck::kLongest);
    malloc_trim(0); // what making the deck freed goes back to the system
    Window window(deck);
    window.enterReview();
    const long atReview = residentKiB();
    long halfway = atReview;
    for (auto _ : state) {
        double seconds = 0;
        for (std::int64_t press = 1; press <= presses; ++press) {
            seconds += window.pressShowThenNext();
            if (press == presses / 2)
                halfway = residentKiB();
        }
        state.SetIterationTime(seconds);
    }
    const long atEnd = residentKiB();
    state.counters["rss_review_kib"] = double(atReview);
    state.counters["rss_kib"] = double(atEnd);
    state.counters["growth_kib"] = double(atEnd - atReview);
    state.counters["growth_2nd_half_kib"] = double(atEnd - halfway);
    window.check(state);
}

} // namespace

void registerHandlerBenchmarks(bool smoke)
{
    const std::int64_t largest = smoke ? 50 : 32767;
    const std::int64_t spreadCount = smoke ? 5 : 100;
    const std::int64_t presses = smoke ? 2 : 1000;
    const auto add = [smoke](const char* name, void (*function)(benchmark::State&), benchmark::TimeUnit unit) {
        auto* b = benchmark::RegisterBenchmark(name, function)->UseManualTime()->Unit(unit);
        return smoke ? b->Iterations(1) : b;
    };
    const auto sizes = [&](benchmark::internal::Benchmark* b, const std::vector<std::int64_t>& full) {
        for (const std::int64_t n : smoke ? std::vector<std::int64_t>{10} : full)
            b->Arg(n);
    };

    sizes(add("next", nextPress, benchmark::kMicrosecond), {10, 1000, 32767});
    sizes(add("next_definitions", nextPressDefinitions, benchmark::kMicrosecond), {32767});
    sizes(add("show", showPress, benchmark::kMicrosecond), {32767});
    add("next_gaps", nextPressWithGaps, benchmark::kMicrosecond)->Args({spreadCount, largest});
    add("narrowed_refresh", narrowedRefresh, benchmark::kMicrosecond)->Args({spreadCount, largest});
    sizes(add("review", enterReview, benchmark::kMicrosecond), {10, 32767});
    auto* ok = add("store_ok", storeEntry, benchmark::kMicrosecond);
    if (!smoke)
        ok->Iterations(1000);
    sizes(add("restart", restart, benchmark::kMillisecond), {0, 1000, 32767});
    sizes(add("bulk_delete", bulkDelete, benchmark::kMillisecond), {1000, 32767});
    sizes(add("delete_each", deleteEach, benchmark::kMillisecond), {1000, 32767});
    add("memory", memory, benchmark::kMillisecond)->Args({10, presses})->Args({largest, presses})->Iterations(1);
}
