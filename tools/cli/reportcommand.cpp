#include "reportcommand.h"

#include "args.h"
#include "jsonwriter.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "print/reportlayout.h"

#ifdef TESSARO_CLI_PDF
#include "print/reportrender.h"

#include <QGuiApplication>
#endif

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tessaro::cli {

namespace {

std::string ItemJson(const PrintItem& item)
{
    std::string line = "{\"x\": " + std::to_string(item.x) + ", \"y\": " + std::to_string(item.y) +
                       ", \"size\": " + std::to_string(item.size) + ", \"bold\": " +
                       (item.bold ? "true" : "false") + ", \"italic\": " + (item.italic ? "true" : "false") +
                       ", \"color\": [" + std::to_string(item.color.r) + ", " + std::to_string(item.color.g) +
                       ", " + std::to_string(item.color.b) + "], \"text\": ";
    AppendJsonString(line, item.text);
    line += "}\n";
    return line;
}

#ifdef TESSARO_CLI_PDF
// Fonts need a GUI application; without a display it runs offscreen.
int WritePdf(const std::string& out, const std::vector<PrintItem>& items, int argc, char** argv)
{
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
    QString error;
    if (!WriteReportPdf(QString::fromLocal8Bit(out.c_str()), items, &error)) {
        PrintError(error.toUtf8().toStdString());
        return kExitFailed;
    }
    return kExitOk;
}
#endif

}  // namespace

int RunReportCommand(Args& args, int argc, char** argv)
{
    args.parse({"--items"}, {"--pdf"});
    if (args.operands().size() != 1)
        throw UsageError{"report needs exactly one FILE"};
    const std::string file = args.operands().front();
    const std::optional<std::string> pdf = args.value("--pdf");
    if (pdf && pdf->empty())
        throw UsageError{"--pdf needs a file name"};
#ifndef TESSARO_CLI_PDF
    if (pdf)
        throw UsageError{"this build has no PDF output"};
#endif

    ReportSource source;
    QString message;
    const QString path = QString::fromLocal8Bit(file.c_str());
    if (!ReadSpdFile(path, source.image, &message)) {
        PrintError(message.toUtf8().toStdString());
        return kExitFailed;
    }
    if (pdf && IsSameFile(path, QString::fromLocal8Bit(pdf->c_str()))) {
        PrintError("cannot write \"" + *pdf + "\": it is the SPD file the report is made from");
        return kExitFailed;
    }
    // The caption of a document opened from FILE: its full path.
    source.caption = file;
    source.webAddress = MakerWebAddress();
    const std::vector<PrintItem> items = LayoutReport(source);

    std::string out;
    if (args.has("--items")) {
        for (const PrintItem& item : items)
            out += ItemJson(item);
    } else if (!pdf) {
        // Neither option: the texts of the page, one a line, in print order.
        for (const PrintItem& item : items)
            out += item.text + "\n";
    }
    Print(stdout, out);
#ifdef TESSARO_CLI_PDF
    if (pdf)
        return WritePdf(*pdf, items, argc, argv);
#endif
    (void)argc;
    (void)argv;
    return kExitOk;
}

}  // namespace tessaro::cli
