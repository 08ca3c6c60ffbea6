#ifndef ORVALIS_BENCH_QTBENCHMARKMAIN_H
#define ORVALIS_BENCH_QTBENCHMARKMAIN_H

#include "FreedMemory.h"

#include <QApplication>

#include <benchmark/benchmark.h>

// The view benchmarks need a QApplication alive while they run; qApp reaches it.
// Memory is kept as the program keeps it.
#define ORVALIS_QT_BENCHMARK_MAIN()                                                                \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        keepFreedMemory();                                                                         \
        QApplication app(argc, argv);                                                              \
        benchmark::Initialize(&argc, argv);                                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                    \
            return 1;                                                                              \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }

#endif
