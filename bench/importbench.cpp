#include "importbench.h"

#include "ankipackagemaker.h"
#include "benchdeck.h"
#include "connection.h"
#include "deckinit.h"
#include "importer.h"
#include "worktime.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A package of `count` notes as people write them in the flashcard program:
// the term in bold, the definition over two lines with a no-break space,
// zstd-compressed as newer versions store it.
QByteArray typicalPackage(std::int64_t count)
{
    std::vector<NoteFields> notes;
    notes.reserve(static_cast<std::size_t>(count));
    for (std::int64_t id = 1; id <= count; ++id) {
        const std::string definition = BenchDeck::definition(id);
        const std::size_t half = definition.size() / 2;
        notes.push_back({"<b>" + BenchDeck::term(id) + "</b>",
                         "<div>" + definition.substr(0, half) + "</div><div>" + definition.substr(half) + "&nbsp;!</div>", "tags"});
    }
    return ankiPackage(notes, PackageKind::Compressed);
}

// Import of a package of N notes into an empty deck: opening the archive,
// decompressing, reading the collection, turning HTML into text, storing.
void importPackage(benchmark::State& state)
{
    const deck::SourceInput input{typicalPackage(state.range(0)), {}};
    deck::ImportOptions options;
    options.format = deck::Format::Anki;
    options.allowLong = true;
    double cpu = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.filePath("Verbrio.mdb");
        deck::initDeck(path);
        store::Connection connection(path.toStdString());
        deck::ImportResult result;
        double wall = 0;
        cpu += cpuSecondsOf([&] { wall = secondsOf([&] { result = deck::importEntries(connection, input, options); }); });
        state.SetIterationTime(wall);
        if (result.imported != state.range(0))
            state.SkipWithError("not every note was imported");
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["package_kib"] = double(input.bytes.size()) / 1024;
}

} // namespace

void registerImportBenchmarks(bool smoke)
{
    auto* b = benchmark::RegisterBenchmark("import_package", importPackage)->UseManualTime()->Unit(benchmark::kMillisecond);
    if (smoke)
        b->Arg(10)->Iterations(1);
    else
        b->Arg(32767);
}
