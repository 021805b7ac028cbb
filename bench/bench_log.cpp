// What the production log adds to one programmer operation: turning the
// link's report into a record (hash, summary) and writing it in its own
// transaction, on an SQLite file with the settings the workstation uses.
// The target is under 5 ms per operation.
#include "device/linkrecorder.h"
#include "log/logrecorder.h"
#include "log/productionlog.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

tessaro::LinkOperationReport Report(int n, bool newImage)
{
    tessaro::LinkOperationReport report;
    report.operation = tessaro::LinkOperation::Download;
    report.port = "port 1 (/dev/ttyUSB0)";
    report.documentName = "/srv/images/module.spd";
    tessaro::SpdImage image{};
    image[2] = 0x0B;
    if (newImage) {  // a new serial number each time: the image is stored as well
        image[122] = static_cast<std::uint8_t>(n);
        image[123] = static_cast<std::uint8_t>(n >> 8);
        image[124] = static_cast<std::uint8_t>(n >> 16);
    }
    report.image = image;
    report.ok = true;
    report.authorized = true;
    return report;
}

void RecordOperations(benchmark::State& state, bool newImages)
{
    QTemporaryDir dir;
    tessaro::LogLocation location;
    location.path = dir.filePath(QStringLiteral("log.sqlite"));
    tessaro::ProductionLog log(location);
    log.open();
    tessaro::LogRecorder recorder(log, QStringLiteral("bench"));
    int n = 0;
    for (auto _ : state)
        recorder.operationFinished(Report(++n, newImages));
    state.counters["waiting"] = log.pendingCount();
}

void BM_LogOperationWithNewImage(benchmark::State& state)
{
    RecordOperations(state, true);
}
void BM_LogOperationWithKnownImage(benchmark::State& state)
{
    RecordOperations(state, false);
}

}  // namespace

BENCHMARK(BM_LogOperationWithNewImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LogOperationWithKnownImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
