// The log window on a production log of 100,000 records: opening it (all
// rows read and sorted newest first) and filtering it (failures; a serial
// number). The target is under 300 ms each. Run with QT_QPA_PLATFORM=offscreen.
#include "app/logwindow.h"
#include "device/linkrecorder.h"
#include "log/productionlog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRecords = 100000;

// A log of kRecords records of twenty stations over a year, every tenth failed,
// written in one transaction.
QString GeneratedLog(const QTemporaryDir& dir)
{
    tessaro::LogLocation location;
    location.path = dir.filePath(QStringLiteral("log.sqlite"));
    {
        tessaro::ProductionLog log(location);
        log.open();
        tessaro::LinkOperationReport report;
        report.operation = tessaro::LinkOperation::Download;
        report.port = "port 1";
        report.image = tessaro::SpdImage{};
        (*report.image)[2] = 0x0B;
        report.ok = true;
        log.append(tessaro::MakeLogRecord(report, QStringLiteral("station-0")));  // the image and the schema
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("generate"));
        db.setDatabaseName(location.path);
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT image_sha256 FROM operations"));
        query.next();
        const QString sha = query.value(0).toString();
        db.transaction();
        query.prepare(QStringLiteral(
            "INSERT INTO operations (time_utc, station, operator_mode, operation, port, document, image_sha256,"
            " image_size, serial_number, module_summary, ok, result, test_result, fail_pins, pass_pins, duration_ms)"
            " VALUES (?, ?, 'password', 'download', 'port 1', ?, ?, 256, ?, '4 GB SO-DIMM 2Rx8 DDR3-1600', ?, ?, '', '', '', 1500)"));
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < kRecords; ++i) {
            const bool ok = i % 10 != 0;
            query.addBindValue(start.addSecs(i * 315).toString(Qt::ISODateWithMs));
            query.addBindValue(QStringLiteral("station-%1").arg(i % 20));
            query.addBindValue(QStringLiteral("/srv/lot-%1/module.spd").arg(i / 500));
            query.addBindValue(sha);
            query.addBindValue(QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')).toUpper());
            query.addBindValue(ok ? 1 : 0);
            query.addBindValue(ok ? QStringLiteral("ok") : QStringLiteral("ERROR\ncheck failed"));
            query.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("generate"));
    return location.path;
}

QTemporaryDir* g_dir = nullptr;
QString g_path;

tessaro::LogLocation Location()
{
    tessaro::LogLocation location;
    location.path = g_path;
    return location;
}

void BM_LogWindowOpens100k(benchmark::State& state)
{
    for (auto _ : state) {
        tessaro::LogWindow window(Location(), [](const QByteArray&, const tessaro::LogRecord&) {});
        benchmark::DoNotOptimize(window.table()->model()->rowCount());
    }
}

void BM_LogWindowFiltersFailures100k(benchmark::State& state)
{
    tessaro::LogWindow window(Location(), [](const QByteArray&, const tessaro::LogRecord&) {});
    int shown = 0;
    for (auto _ : state) {
        window.result()->setCurrentIndex(2);  // failures
        shown = window.table()->model()->rowCount();
        state.PauseTiming();
        window.result()->setCurrentIndex(0);
        state.ResumeTiming();
    }
    state.counters["rows"] = shown;
}

void BM_LogWindowFindsASerialNumber100k(benchmark::State& state)
{
    tessaro::LogWindow window(Location(), [](const QByteArray&, const tessaro::LogRecord&) {});
    int shown = 0;
    for (auto _ : state) {
        window.text()->setText(QStringLiteral("0001869F"));
        shown = window.table()->model()->rowCount();
        state.PauseTiming();
        window.text()->clear();
        state.ResumeTiming();
    }
    state.counters["rows"] = shown;
}

}  // namespace

void BM_LogRecordsRead100k(benchmark::State& state)
{
    tessaro::ProductionLog log(Location());
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(log.records({}, &error).size());
    }
}

BENCHMARK(BM_LogRecordsRead100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogWindowOpens100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogWindowFiltersFailures100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogWindowFindsASerialNumber100k)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    g_path = GeneratedLog(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
