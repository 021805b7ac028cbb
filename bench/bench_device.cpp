// The programmer link's pacing wait must leave the processor alone: processor
// time used during a pacing wait of 4 s on the event loop, as a share of one
// core, and its wall time.
#include "device/pacingwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

#include <sys/resource.h>

namespace {

double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_PacingWait4(benchmark::State& state)
{
    // A timer of the user interface keeps running during the wait, as the
    // test-result polling does.
    QTimer busy;
    int ticks = 0;
    QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
    busy.start(50);
    double processor = 0;
    double wall = 0;
    tessaro::PacingTimer pacing;
    QEventLoop loop;  // the program's own loop, as the workstation's
    QObject::connect(&pacing, &tessaro::PacingTimer::finished, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        const double before = ProcessorSeconds();
        const auto start = std::chrono::steady_clock::now();
        pacing.startPacing(4);
        loop.exec();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        processor += ProcessorSeconds() - before;
    }
    state.counters["cpu_ms"] = processor * 1000.0 / static_cast<double>(state.iterations());
    state.counters["cpu_percent_of_one_core"] = wall > 0 ? 100.0 * processor / wall : 0.0;
    state.counters["timer_ticks"] = ticks;
}
BENCHMARK(BM_PacingWait4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
