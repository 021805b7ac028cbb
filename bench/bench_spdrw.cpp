// The open SPD reader/writer's driver against tessaro-spdrw-sim at real timing
// (115200 baud, the 10 ms write cycle, bus time at 400 kHz): write and verify
// whole images and a one-byte change, and read an image. The connection is
// made once; each iteration is one operation as the command line runs it.
#include "decode/moduledecode.h"
#include "device/spdrwlink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using tessaro::SpdrwLink;
using tessaro::SpdrwModule;
using tessaro::SpdrwWriteResult;
using Bytes = tessaro::spdrw::Bytes;

Bytes MakeImage(int size, std::uint8_t flip)
{
    Bytes b(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7 + (i >> 5)) ^ flip);
    b[0] = size == 512 ? 0x23 : 0x30;
    b[2] = size == 512 ? 0x0C : 0x12;
    tessaro::FixCrcBlocks(b);
    return b;
}

// The simulator with one module at 0x50, and the driver connected to it.
struct Bench {
    QTemporaryDir dir;
    QProcess sim;
    std::unique_ptr<SpdrwLink> link;
    SpdrwModule module;

    bool start(const Bytes& image, benchmark::State& state)
    {
        const QString file = dir.filePath(QStringLiteral("module.bin"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size())) !=
                static_cast<qint64>(image.size()))
            return false;
        out.close();
        sim.start(QStringLiteral(TESSARO_SPDRW_SIM), {QStringLiteral("--module"), QStringLiteral("0x50=") + file,
                                                      QStringLiteral("--boot-delay"), QStringLiteral("100")});
        if (!sim.waitForStarted(5000))
            return false;
        while (!sim.canReadLine())
            if (!sim.waitForReadyRead(5000))
                return false;
        const QString device = QString::fromUtf8(sim.readLine()).trimmed();
        link = std::make_unique<SpdrwLink>(device);
        if (!link->connect() || !link->inspect(0x50, module)) {
            state.SkipWithError(link->error().c_str());
            return false;
        }
        return true;
    }
    ~Bench()
    {
        link.reset();
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

// One write and verify per iteration, alternating between two images.
void WriteVerify(benchmark::State& state, int size, bool oneByte)
{
    const Bytes first = MakeImage(size, 0x00);
    Bytes second = oneByte ? first : MakeImage(size, 0x5A);
    if (oneByte) {
        second[0x140] ^= 0x01;
        tessaro::FixCrcBlocks(second);
    }
    Bench bench;
    if (!bench.start(first, state))
        return;
    bool toggle = false;
    int pages = 0;
    for (auto _ : state) {
        toggle = !toggle;
        const SpdrwWriteResult r = bench.link->writeImage(bench.module, toggle ? second : first, false, {}, {});
        if (r.outcome != SpdrwWriteResult::Outcome::Written) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        pages = static_cast<int>(r.pagesWritten.size());
    }
    state.counters["pages_written"] = pages;
}

void BM_WriteVerifyDdr5EveryPage(benchmark::State& state) { WriteVerify(state, 1024, false); }
void BM_WriteVerifyDdr4EveryPage(benchmark::State& state) { WriteVerify(state, 512, false); }
void BM_WriteVerifyDdr4OneByte(benchmark::State& state) { WriteVerify(state, 512, true); }
void BM_WriteVerifyDdr5OneByte(benchmark::State& state) { WriteVerify(state, 1024, true); }

// A whole read as `read` does it: the probe, then the image twice and compared.
void BM_ReadDdr5(benchmark::State& state)
{
    Bench bench;
    if (!bench.start(MakeImage(1024, 0), state))
        return;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Bytes image;
        if (!bench.link->readImage(bench.module, image)) {
            state.SkipWithError(bench.link->error().c_str());
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    // What the line allows: per 32 bytes a 35-byte reply of 10 bit times a
    // byte at 115200 baud, twice over (the 5-byte requests travel the other
    // way meanwhile); one command after the other, the requests count too.
    const double replies = 2.0 * 32 * 35 * 10 / 115200.0;
    const double serial = 2.0 * 32 * (5 + 35) * 10 / 115200.0;
    const double each = seconds / static_cast<double>(state.iterations());
    state.counters["line_limit_ms"] = replies * 1000.0;
    state.counters["share_of_line_rate"] = replies / each;
    state.counters["one_by_one_limit_ms"] = serial * 1000.0;
}

BENCHMARK(BM_WriteVerifyDdr5EveryPage)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_WriteVerifyDdr4EveryPage)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_WriteVerifyDdr4OneByte)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_WriteVerifyDdr5OneByte)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_ReadDdr5)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
