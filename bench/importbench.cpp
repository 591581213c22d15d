// SPDX-License-Identifier: MIT
#include "importbench.h"

#include "ankipackagemaker.h"
#include "benchdeck.h"
#include "commandline.h"
#include "connection.h"
#include "importdialog.h"
#include "worktime.h"

#include <QCheckBox>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <string>

namespace {

// One run of the tool in-process, its output kept in buffers.
int runTool(const QStringList& arguments)
{
    QBuffer in, out, err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    deck::Console console{in, out, err};
    return deck::runDeckTool(QStringList{"verbrio-deck"} + arguments, console);
}

// `import DECK SOURCE` into a new, empty deck each time, timed from the
// command line to the summary: reading, checking, the one transaction and
// the deck's figures afterwards. `cpu_ms` is the thread's CPU time, which a
// loaded machine does not inflate.
void timeImports(benchmark::State& state, const QByteArray& sourceBytes, const char* sourceName,
                 const QStringList& options)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(sourceName);
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(sourceBytes) != sourceBytes.size()) {
        state.SkipWithError("cannot write the source");
        return;
    }
    file.close();
    int run = 0;
    double cpu = 0;
    for (auto _ : state) {
        const QString deckPath = dir.filePath(QString("deck%1.mdb").arg(++run));
        if (runTool({"init", deckPath}) != deck::kSuccess) {
            state.SkipWithError("init failed");
            return;
        }
        int status = 0;
        double wall = 0;
        cpu += cpuSecondsOf([&] {
            wall = secondsOf([&] {
                status = runTool(QStringList{"import"} + options + QStringList{deckPath, source});
            });
        });
        state.SetIterationTime(wall);
        if (status != deck::kSuccess) {
            state.SkipWithError("import failed");
            return;
        }
        QFile::remove(deckPath);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// range(0) rows of typical lengths.
void importTsv(benchmark::State& state)
{
    std::string text;
    for (std::int64_t id = 1; id <= state.range(0); ++id)
        text += BenchDeck::term(id) + '\t' + BenchDeck::definition(id) + '\n';
    timeImports(state, QByteArray::fromStdString(text), "source.tsv", {});
}

// A package of range(0) notes as people write them in the flashcard program:
// the term in bold, the definition over two lines with a no-break space,
// zstd-compressed as newer versions store it.
void importPackage(benchmark::State& state)
{
    std::vector<NoteFields> notes;
    for (std::int64_t id = 1; id <= state.range(0); ++id) {
        const std::string definition = BenchDeck::definition(id);
        const std::size_t half = definition.size() / 2;
        notes.push_back(
            {"<b>" + BenchDeck::term(id) + "</b>",
             "<div>" + definition.substr(0, half) + "</div><div>" + definition.substr(half) + "&nbsp;!</div>", "tags"});
    }
    timeImports(state, ankiPackage(notes, PackageKind::Compressed), "source.apkg", {"--allow-long"});
}

// The import dialog's preview of range(0) CSV rows, its separator guessed,
// read again after an option changes (the header ticked or not), as the
// user waits for it: the parse, the counts and the first entries shown.
void previewCsv(benchmark::State& state)
{
    std::string text;
    for (std::int64_t id = 1; id <= state.range(0); ++id)
        text += BenchDeck::term(id) + ';' + BenchDeck::definition(id) + '\n';
    QTemporaryDir dir;
    const QString deckPath = dir.filePath("deck.mdb");
    if (runTool({"init", deckPath}) != deck::kSuccess) {
        state.SkipWithError("init failed");
        return;
    }
    store::Connection connection(QFile::encodeName(deckPath).toStdString());
    ImportDialog dialog(connection, dir.filePath("source.csv"), QByteArray::fromStdString(text));
    for (auto _ : state) {
        dialog.headerBox()->toggle();
        state.SetIterationTime(secondsOf([&] { dialog.updatePreview(); }));
    }
}

} // namespace

void registerImportBenchmarks(bool smoke)
{
    struct Named {
        const char* name;
        void (*function)(benchmark::State&);
    };
    for (const auto& [name, function] : {Named{"import_tsv", importTsv}, Named{"import_package", importPackage},
                                         Named{"import_preview_csv", previewCsv}}) {
        auto* b = benchmark::RegisterBenchmark(name, function)->UseManualTime()->Unit(benchmark::kMillisecond);
        if (smoke)
            b->Arg(100)->Iterations(1);
        else
            b->Arg(32767);
    }
}
