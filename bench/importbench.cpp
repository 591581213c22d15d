#include "importbench.h"

#include "benchdeck.h"
#include "commandline.h"

#include <QBuffer>
#include <QElapsedTimer>
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

// `import DECK source.tsv` of range(0) rows of typical lengths into a new,
// empty deck, timed from the command line to the summary: reading, checking,
// the one transaction and the deck's figures afterwards.
void importTsv(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("source.tsv");
    {
        std::string text;
        for (std::int64_t id = 1; id <= state.range(0); ++id)
            text += BenchDeck::term(id) + '\t' + BenchDeck::definition(id) + '\n';
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
            state.SkipWithError("cannot write the source");
            return;
        }
    }
    int run = 0;
    for (auto _ : state) {
        const QString deckPath = dir.filePath(QString("deck%1.mdb").arg(++run));
        if (runTool({"init", deckPath}) != deck::kSuccess) {
            state.SkipWithError("init failed");
            return;
        }
        QElapsedTimer timer;
        timer.start();
        const int status = runTool({"import", deckPath, source});
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (status != deck::kSuccess) {
            state.SkipWithError("import failed");
            return;
        }
        QFile::remove(deckPath);
    }
}

} // namespace

void registerImportBenchmarks(bool smoke)
{
    auto* b = benchmark::RegisterBenchmark("import_tsv", importTsv)->UseManualTime()->Unit(benchmark::kMillisecond);
    if (smoke)
        b->Arg(100)->Iterations(1);
    else
        b->Arg(32767);
}
