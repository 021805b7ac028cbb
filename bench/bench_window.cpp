// Workstation speed and size, offscreen: one key press in the byte entry box
// (check bytes, full decode, every cell redrawn and the window painted), the
// start of the main window once the splash has gone, and the memory that 20
// open documents take.
#include "app/mainwindow.h"
#include "document/bytegrid.h"
#include "document/documentwindow.h"
#include "files/settingsstore.h"

#include <QApplication>
#include <QGroupBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

using namespace tessaro;

namespace {

QTemporaryDir* g_dir = nullptr;

double ResidentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// Counts the paint events of the grid, to show that every press redraws it.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void BM_KeyPressInByteEntryBox(benchmark::State& state)
{
    AppValues app;
    app.operatorAuthorized = true;
    DocumentWindow window(app, QStringLiteral("SPD_File 1"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(qEnvironmentVariableIsSet("BENCH_W") ? QSize(qEnvironmentVariableIntValue("BENCH_W"), qEnvironmentVariableIntValue("BENCH_H")) : DocumentWindow::openingSize(&window));
    window.open();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not exposed");
    window.document().setCheckMode(state.range(0) == 0 ? CheckMode::Checksum : CheckMode::Crc);
    QLineEdit* box = window.byteEntryBox();
    if (qEnvironmentVariableIsSet("BENCH_HIDE_FRAME"))
        window.frame(qEnvironmentVariableIntValue("BENCH_HIDE_FRAME"))->hide();
    PaintCounter counter;
    window.grid()->installEventFilter(&counter);
    for (auto _ : state) {
        QTest::keyClick(box, Qt::Key_Right);
        if (state.range(1) != 0)
            window.repaint();  // the whole window, every widget, painted now
        else
            QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);  // what the press left to paint
    }
    state.counters["grid_paints_per_press"] =
        benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    window.document().Set_form_chang(false);
}
BENCHMARK(BM_KeyPressInByteEntryBox)->ArgNames({"crc", "whole"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_MainWindowAfterSplash(benchmark::State& state)
{
    for (auto _ : state) {
        SettingsStore settings(g_dir->filePath(QStringLiteral("bench.ini")));
        AppValues app;
        app.operatorAuthorized = true;
        auto window = std::make_unique<MainWindow>(app, settings);
        window->newDocument();
        window->show();
        QApplication::processEvents();
        window->repaint();
        state.PauseTiming();
        window->activeDocument()->document().Set_form_chang(false);
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowAfterSplash)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TwentyDocumentsOpen(benchmark::State& state)
{
    for (auto _ : state) {
        SettingsStore settings(g_dir->filePath(QStringLiteral("bench.ini")));
        AppValues app;
        app.operatorAuthorized = true;
        MainWindow window(app, settings);
        window.show();
        const double before = ResidentMegabytes();
        for (int i = 0; i < 20; ++i)
            window.newDocument();
        QApplication::processEvents();
        state.counters["resident_MB"] = ResidentMegabytes();
        state.counters["per_document_MB"] = (ResidentMegabytes() - before) / 20.0;
    }
}
BENCHMARK(BM_TwentyDocumentsOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
