#include "reportpdfmodule.h"

#include "files/filename.h"
#include "print/reportrender.h"

#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void CopyError(const QString& text, char* error, size_t errorSize)
{
    if (error == nullptr || errorSize == 0)
        return;
    const QByteArray utf8 = tessaro::FileNameBytes(text);
    const size_t length = std::min(static_cast<size_t>(utf8.size()), errorSize - 1);
    std::memcpy(error, utf8.constData(), length);
    error[length] = '\0';
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int tessaro_write_report_pdf(const char* path,
                                                                               const TessaroPdfItem* items,
                                                                               size_t count, int argc, char** argv,
                                                                               char* error, size_t errorSize)
{
    std::vector<tessaro::PrintItem> page;
    page.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const TessaroPdfItem& item = items[i];
        page.push_back({item.x, item.y, item.size, item.bold != 0, item.italic != 0,
                        tessaro::PrintColor{item.red, item.green, item.blue},
                        std::string(item.text, item.textLength)});
    }

    // Fonts need a GUI application; without a display it runs offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A headless run has no runtime directory; Qt's remark about it is no news here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith(QLatin1String("QStandardPaths:")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
        if (type == QtFatalMsg)
            std::abort();
    });
    QGuiApplication application(argc, argv);
    QString reason;
    if (!tessaro::WriteReportPdf(tessaro::FileNameFromBytes(path), page, &reason)) {
        CopyError(reason, error, errorSize);
        return 1;
    }
    return 0;
}
