// SPDX-License-Identifier: MIT
#include "editorbench.h"
#include "handlerbench.h"
#include "importbench.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstring>

// Google Benchmark's flags, plus --smoke: tiny tables, each benchmark once.
int main(int argc, char* argv[])
{
    bool smoke = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The real window, headless unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    registerHandlerBenchmarks(smoke);
    registerImportBenchmarks(smoke);
    registerEditorBenchmarks(smoke);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
