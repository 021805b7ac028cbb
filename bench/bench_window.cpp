// Workstation speed and size, offscreen: one key press in the byte entry box
// (check bytes, full decode, every cell redrawn and the window painted), the
// start of the main window once the splash has gone, and the memory that 20
// open documents take; a pin-map picture painted at full-screen size, and the
// SPD report laid out and written as a PDF.
#include "app/mainwindow.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "decode/moduledecode.h"
#include "pinmapui/pinmapart.h"
#include "files/settingsstore.h"
#include "print/reportrender.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QMdiArea>
#include <QGroupBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
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
        window.findChild<QWidget*>(QStringLiteral("Frame%1").arg(qEnvironmentVariableIntValue("BENCH_HIDE_FRAME")))->hide();
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
    window.document().setModified(false);
}
BENCHMARK(BM_KeyPressInByteEntryBox)->ArgNames({"crc", "whole"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Two hex digits typed on the selected cell of the grid: one byte stored as
// the entry box stores it, the next byte selected, what it left painted.
void BM_TypeByteInGrid(benchmark::State& state)
{
    AppValues app;
    app.operatorAuthorized = true;
    DocumentWindow window(app, QStringLiteral("SPD_File 1"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(DocumentWindow::openingSize(&window));
    window.open();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not exposed");
    ByteGrid* grid = window.grid();
    for (auto _ : state) {
        QTest::keyClicks(grid, QStringLiteral("5a"));
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    window.document().setModified(false);
}
BENCHMARK(BM_TypeByteInGrid)->Unit(benchmark::kMicrosecond);

// A whole DDR5 image with its CRC right, as a file would give it.
ImageData Ddr5Image()
{
    ImageData image{std::vector<std::uint8_t>(1024, 0), 1024};
    image.bytes[0] = 0x30;
    image.bytes[2] = 0x12;
    image.bytes[3] = 0x02;
    image.bytes[20] = 0xA0;
    image.bytes[21] = 0x01;
    FixCrcBlocks(image.bytes);
    return image;
}

// The window of a 1024-byte image made, shown and painted once the file is read.
void BM_ModuleWindowOpen(benchmark::State& state)
{
    const ImageData image = Ddr5Image();
    for (auto _ : state) {
        ModuleDocumentWindow window(image, QStringLiteral("module.bin"));
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1600, 1000);
        window.show();
        window.repaint();
        state.PauseTiming();
        window.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ModuleWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(20);

// One key press in the window of a 1024-byte image, and what it leaves to
// paint. Arg 0: an arrow key in the grid; 1: Enter in the entry box storing a
// byte (store, every CRC block, decode, panels).
void BM_ModuleWindowKeyPress(benchmark::State& state)
{
    ModuleDocumentWindow window(Ddr5Image(), QStringLiteral("module.bin"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(1600, 1000);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not exposed");
    const bool store = state.range(0) != 0;
    QLineEdit* box = window.byteEntryBox();
    ByteGrid* grid = window.grid();
    PaintCounter counter;
    grid->installEventFilter(&counter);
    int value = 0;
    for (auto _ : state) {
        if (store) {
            state.PauseTiming();
            window.selectByte(0x40 + (value & 0x3F));
            box->setText(QString::number(value++ & 0xFF, 16).rightJustified(2, QLatin1Char('0')).toUpper());
            QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            state.ResumeTiming();
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            QTest::keyClick(grid, (value++ / 500) % 2 == 0 ? Qt::Key_Right : Qt::Key_Left);
        }
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    state.counters["grid_paints_per_press"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    window.document().setModified(false);
}
BENCHMARK(BM_ModuleWindowKeyPress)->ArgName("store")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Resident memory with 20 windows of 1024-byte images open in the main
// window's workspace, as an operator comparing a tray of modules has them
// (target: under 200 MB). Reported as the counters "rss_MB" and "added_MB".
long ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void BM_TwentyModuleWindowsResident(benchmark::State& state)
{
    for (auto _ : state) {
        const long before = ResidentKilobytes();
        QMdiArea workspace;
        workspace.resize(1600, 1000);
        workspace.show();
        for (int i = 0; i < 20; ++i) {
            auto* window = new ModuleDocumentWindow(Ddr5Image(), QStringLiteral("module %1.bin").arg(i));
            QMdiSubWindow* sub = workspace.addSubWindow(window);
            sub->show();
        }
        QApplication::processEvents();
        workspace.repaint();
        const long after = ResidentKilobytes();
        state.counters["rss_MB"] = static_cast<double>(after) / 1024.0;
        state.counters["added_MB"] = static_cast<double>(after - before) / 1024.0;
    }
}
BENCHMARK(BM_TwentyModuleWindowsResident)->Unit(benchmark::kMillisecond)->Iterations(1);

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
        window->activeDocument()->document().setModified(false);
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

// One repaint of a maximised pin-map panel: the drawing is vector, redrawn
// on every paint. Arg: picture number (3 the TSOP, 6 the 240-pin connector).
void BM_PinMapPaint(benchmark::State& state)
{
    const auto picture = static_cast<PinMapPicture>(state.range(0) - 3);
    QImage target(1580, 860, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::white);
        QPainter painter(&target);
        PaintPinMap(painter, QRectF(target.rect()), picture);
    }
}
BENCHMARK(BM_PinMapPaint)->ArgName("image")->Arg(3)->Arg(6)->Arg(11)->Arg(13)->Unit(benchmark::kMillisecond);

// The print command's work after the dialog: lay the page out, draw it, write it.
void BM_ReportToPdf(benchmark::State& state)
{
    SpdImage image{};
    for (int i = 0; i < kSpdSize; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    image[2] = 8;
    const QString path = g_dir->filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        const std::vector<PrintItem> items = LayoutReport(ReportSource{image, "C:\\SPD\\module.spd", MakerWebAddress()});
        benchmark::DoNotOptimize(WriteReportPdf(path, items));
    }
}
BENCHMARK(BM_ReportToPdf)->Unit(benchmark::kMillisecond);

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
