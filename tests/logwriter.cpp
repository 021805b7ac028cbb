// A process that writes records into a production log, for the tests of
// crashes and of several writers at once:
//   tessaro_log_writer (--database PATH | --server WORDS) --tag TAG --count N
// Record i (1..N) names the document "TAG #i" and carries one of four images.
// After each record is in the database the line "committed i" is printed.
// Records that wait (the database held by another writer past the busy
// timeout) are tried again; each wait is reported on stderr.
#include "device/linkrecorder.h"
#include "log/productionlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <string>

using namespace tessaro;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    LogLocation location;
    std::string tag = "writer";
    int count = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == "--database") {
            location.path = value;
        } else if (name == "--server") {
            QString error;
            const auto server = ParseLogServer(value, &error);
            if (!server) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 2;
            }
            location = *server;
        } else if (name == "--tag") {
            tag = argv[i + 1];
        } else if (name == "--count") {
            count = value.toInt();
        }
    }
    ProductionLog log(location);
    log.open();
    for (int i = 1; i <= count; ++i) {
        LinkOperationReport report;
        report.operation = i % 3 == 0 ? LinkOperation::ReadModule : LinkOperation::Download;
        report.port = "port 1";
        report.documentName = tag + " #" + std::to_string(i);
        SpdImage image{};
        image[2] = 0x0B;
        image[122] = static_cast<std::uint8_t>(i % 4);  // four distinct images
        report.image = image;
        report.ok = i % 5 != 0;
        report.message = report.ok ? "" : "failed";
        log.append(MakeLogRecord(report, QStringLiteral("station-") + QString::fromStdString(tag)));
        QElapsedTimer waited;
        waited.start();
        while (!log.flush()) {
            std::fprintf(stderr, "%s\n", qPrintable(log.statusText()));
            if (waited.elapsed() > 60000)
                return 1;
            QThread::msleep(50);
        }
        std::printf("committed %d\n", i);
        std::fflush(stdout);
    }
    return 0;
}
