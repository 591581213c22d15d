// SPDX-License-Identifier: MIT
#include "editorbench.h"

#include "benchdeck.h"
#include "connection.h"
#include "deckmodel.h"
#include "deckwindow.h"
#include "residentmemory.h"
#include "searchfilter.h"
#include "worktime.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QUndoStack>
#include <SQLiteCpp/Database.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <tuple>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Notes when the table's rows are first painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted |= event->type() == QEvent::Paint;
        return false;
    }
};

// The keystrokes of a search: a word typed letter by letter, then erased.
const QString kTyped = QStringLiteral("tion");
// The same letters in the Cyrillic deck, typed in capitals.
const QString kTypedCyrillic = QStringLiteral("УИОН");

// Open: the connection, every entry read, the window built and shown, up to
// the end of the first paint of the table's rows.
void editorOpen(benchmark::State& state)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        store::Connection connection(deck.path());
        DeckWindow window(connection, QString::fromStdString(deck.path()));
        PaintWatch watch;
        window.table()->viewport()->installEventFilter(&watch);
        window.show();
        while (!watch.painted)
            QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
        window.table()->viewport()->removeEventFilter(&watch);
    }
}

// A keystroke in the search field, up to the table painted again; `typed`
// is typed letter by letter, then erased.
void editorSearchKey(benchmark::State& state, BenchDeck::Script script, const QString& typed)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)), BenchDeck::kTypical, script);
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.show();
    QCoreApplication::processEvents();
    // The first search reads and folds every entry: editor_search_first.
    window.searchField()->insert(typed.left(1));
    window.searchField()->clear();
    long keys = 0;
    for (auto _ : state) {
        const int step = int(keys++ % (2 * typed.size()));
        const auto start = std::chrono::steady_clock::now();
        if (step < typed.size())
            window.searchField()->insert(typed.mid(step, 1));
        else
            window.searchField()->backspace();
        window.table()->viewport()->repaint();
        state.SetIterationTime(secondsSince(start));
    }
}

// The same keystrokes as the filtering alone, no view: what painting adds.
void editorSearchScan(benchmark::State& state)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.setSearch(kTyped.left(1)); // the texts read and folded first
    long keys = 0;
    int found = 0;
    for (auto _ : state) {
        const int step = int(keys++ % (2 * kTyped.size()));
        const QString search = kTyped.left(step < kTyped.size() ? step + 1 : 2 * int(kTyped.size()) - step - 1);
        const auto start = std::chrono::steady_clock::now();
        filter.setSearch(search);
        found = filter.rowCount();
        state.SetIterationTime(secondsSince(start));
    }
    benchmark::DoNotOptimize(found);
}

// Times `action` in a new editor window on `deck` each iteration, up to the
// table painted again; the CPU time too, as the counter cpu_ms.
void timeInNewWindow(benchmark::State& state, const BenchDeck& deck, const std::function<void(DeckWindow&)>& action)
{
    store::Connection connection(deck.path());
    double cpu = 0;
    for (auto _ : state) {
        DeckWindow window(connection, QString::fromStdString(deck.path()));
        window.show();
        QCoreApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        cpu += cpuSecondsOf([&] {
            action(window);
            window.table()->viewport()->repaint();
        });
        state.SetIterationTime(secondsSince(start));
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

// The first keystroke of a search: every entry read and folded, the table
// filtered and painted; a new window each time.
void editorSearchFirst(benchmark::State& state, BenchDeck::Script script)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)), BenchDeck::kTypical, script);
    timeInNewWindow(state, deck, [&](DeckWindow& window) {
        window.searchField()->insert(script == BenchDeck::Script::Latin ? u"t"_qs : u"т"_qs);
    });
}

// A click on the Term header of 32,767 entries in ID order, up to the table
// painted again: each text's collation key made, the rows sorted. A new
// window each time, so no key is left from before.
void editorSortByTerm(benchmark::State& state)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)));
    timeInNewWindow(state, deck, [](DeckWindow& window) {
        window.table()->sortByColumn(DeckModel::TermColumn, Qt::AscendingOrder);
    });
}

// Resident memory of the editor over an empty window of its size, both in
// this process: open, after a search (the folded texts) and after a sort by
// term (its keys). Run it in a process of its own.
void editorMemory(benchmark::State& state)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)));
    malloc_trim(0); // what making the deck freed goes back to the system
    QWidget empty;
    empty.resize(800, 600);
    empty.show();
    QCoreApplication::processEvents();
    const long floor = residentKiB();
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.show();
    QCoreApplication::processEvents();
    const long open = residentKiB();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        window.searchField()->insert(u"tion"_qs);
        window.table()->viewport()->repaint();
        state.SetIterationTime(secondsSince(start));
    }
    const long searched = residentKiB();
    window.table()->sortByColumn(DeckModel::TermColumn, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    const long sorted = residentKiB();
    state.counters["floor_kib"] = double(floor);
    state.counters["open_over_floor_kib"] = double(open - floor);
    state.counters["searched_over_floor_kib"] = double(searched - floor);
    state.counters["sorted_over_floor_kib"] = double(sorted - floor);
}

// An edit of a term, committed: the transaction written, the row updated.
void editorEdit(benchmark::State& state)
{
    const BenchDeck deck(BenchDeck::consecutive(state.range(0)));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    const QModelIndex cell = model.index(model.rowCount() / 2, DeckModel::TermColumn);
    long edits = 0;
    for (auto _ : state) {
        const QString text = QStringLiteral("edited term %1").arg(edits++ % 2);
        const auto start = std::chrono::steady_clock::now();
        if (!model.setData(cell, text))
            state.SkipWithError("the edit was not stored");
        state.SetIterationTime(secondsSince(start));
    }
}

// Every entry selected and deleted, up to the table painted again: the copy
// of the deck written first (100 entries or more), the delete, the rows
// leaving the model. `undo`: the same delete undone instead, every entry
// back.
void editorDeleteAll(benchmark::State& state, bool undo)
{
    const BenchDeck original(BenchDeck::consecutive(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        const BenchDeck deck = BenchDeck::copyOf(original);
        store::Connection connection(deck.path());
        DeckWindow window(connection, QString::fromStdString(deck.path()));
        window.show();
        QCoreApplication::processEvents();
        DeckModel& model = window.model();
        std::vector<int> rows(std::size_t(model.rowCount()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = int(i);
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        model.removeEntries(rows);
        window.table()->viewport()->repaint();
        if (undo) {
            start = std::chrono::steady_clock::now();
            model.undoStack()->undo();
            window.table()->viewport()->repaint();
        }
        state.SetIterationTime(secondsSince(start));
        if (model.rowCount() != (undo ? int(rows.size()) : 0))
            state.SkipWithError("the rows are not what the delete or undo should leave");
    }
}

// One entry stored by another program (the drill's "OK") while a search is
// active, up to the table painted again: the refresh the window's poll makes.
void editorOtherProgramChange(benchmark::State& state)
{
    // The drill stores the deck's last entry, then deletes it again.
    const std::int64_t last = state.range(0);
    const BenchDeck deck(BenchDeck::consecutive(last - 1));
    store::Connection connection(deck.path());
    DeckWindow window(connection, QString::fromStdString(deck.path()));
    window.show();
    window.searchField()->setText(kTyped);
    QCoreApplication::processEvents();
    SQLite::Database drill(deck.path(), SQLite::OPEN_READWRITE);
    long stored = 0;
    for (auto _ : state) {
        drill.exec(stored++ % 2 == 0 ? "INSERT INTO Questions (ID, Question, Description) VALUES ("
                                           + std::to_string(last) + ", 'station', 'drill')"
                                     : "DELETE FROM Questions WHERE ID = " + std::to_string(last));
        const auto start = std::chrono::steady_clock::now();
        if (!window.model().refresh())
            state.SkipWithError("the change was not seen");
        window.table()->viewport()->repaint();
        state.SetIterationTime(secondsSince(start));
    }
}

} // namespace

void registerEditorBenchmarks(bool smoke)
{
    const std::int64_t n = smoke ? 10 : 32767;
    const auto add = [smoke, n](const char* name, void (*function)(benchmark::State&), benchmark::TimeUnit unit) {
        auto* b = benchmark::RegisterBenchmark(name, function)->UseManualTime()->Unit(unit)->Arg(n);
        return smoke ? b->Iterations(1) : b;
    };
    add("editor_open", editorOpen, benchmark::kMillisecond);
    for (const auto& [name, script, typed] :
         {std::tuple{"editor_search_key", BenchDeck::Script::Latin, kTyped},
          {"editor_search_key_cyrillic", BenchDeck::Script::Cyrillic, kTypedCyrillic}}) {
        auto* b = benchmark::RegisterBenchmark(name, editorSearchKey, script, typed)
                      ->UseManualTime()
                      ->Unit(benchmark::kMillisecond)
                      ->Arg(n)
                      ->MeasureProcessCPUTime();
        if (smoke)
            b->Iterations(1);
    }
    add("editor_search_scan", editorSearchScan, benchmark::kMillisecond)->MeasureProcessCPUTime();
    for (const auto& [name, script] : {std::pair{"editor_search_first", BenchDeck::Script::Latin},
                                       {"editor_search_first_cyrillic", BenchDeck::Script::Cyrillic}}) {
        auto* b = benchmark::RegisterBenchmark(name, editorSearchFirst, script)
                      ->UseManualTime()
                      ->Unit(benchmark::kMillisecond)
                      ->Arg(n);
        b->Iterations(smoke ? 1 : 10);
    }
    add("editor_sort_term", editorSortByTerm, benchmark::kMillisecond)->Iterations(smoke ? 1 : 10);
    add("editor_memory", editorMemory, benchmark::kMillisecond)->Iterations(1);
    for (const auto& [name, undo] : {std::pair{"editor_delete_all", false}, {"editor_undo_delete_all", true}}) {
        auto* b = benchmark::RegisterBenchmark(name, editorDeleteAll, undo)
                      ->UseManualTime()
                      ->Unit(benchmark::kMillisecond)
                      ->Arg(n);
        if (smoke)
            b->Iterations(1);
    }
    add("editor_other_program_change", editorOtherProgramChange, benchmark::kMillisecond);
    auto* edit = add("editor_edit", editorEdit, benchmark::kMicrosecond);
    if (!smoke)
        edit->Iterations(1000);
}
