#include "logcommand.h"

#include "args.h"
#include "jsonwriter.h"

#include "decode/textformat.h"
#include "files/filename.h"
#include "files/safefile.h"
#include "files/settingsstore.h"
#include "log/logexport.h"
#include "log/logrecorder.h"
#include "log/logsettings.h"
#include "log/productionlog.h"

#include <QCoreApplication>
#include <QDir>

#include <cctype>
#include <string>

namespace tessaro::cli {

namespace {

bool IsSha256(const std::string& text)
{
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// The log that a listing reads; it is never made by reading it.
std::optional<LogLocation> ChosenLocation(const Args& args, QString* error)
{
    std::optional<LogLocation> location;
    if (const auto path = args.value("--database")) {
        if (path->empty())
            throw UsageError{"--database needs a file path"};
        location.emplace();
        location->path = QDir::cleanPath(FileNameFromBytes(*path));
    } else {
        SettingsStore settings;
        location = LogLocationFromSettings(settings, error);
    }
    if (location)
        location->creation = LogLocation::Creation::None;
    return location;
}

std::string JsonLine(const LogRecord& record)
{
    const QStringList& columns = LogColumns();
    const QStringList values = LogValues(record);
    std::string out = "{";
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendJsonString(out, FileNameString(columns[i]));
        out += ": ";
        const QString& column = columns[i];
        if (column == u"id" || column == u"duration_ms" || (column == u"image_size" && !values[i].isEmpty()))
            out += FileNameString(values[i]);
        else if (values[i].isEmpty() && (column == u"image_sha256" || column == u"image_size"))
            out += "null";
        else
            AppendJsonString(out, FileNameString(values[i]));
    }
    out += ", \"ok\": ";
    out += record.ok ? "true" : "false";
    return out + "}\n";
}

// One readable line per record; names and texts of the record never reach
// the terminal as controls.
std::string ListingLine(const LogRecord& r)
{
    const QString gap = QStringLiteral("  ");
    QString line = r.timeUtc + gap + r.station + gap + r.operation + gap +
                   (r.ok ? QStringLiteral("ok") : QStringLiteral("FAIL"));
    if (!r.serialNumber.isEmpty())
        line += QStringLiteral("  serial ") + r.serialNumber;
    if (!r.document.isEmpty())
        line += QStringLiteral("  ") + r.document;
    if (!r.imageSha256.isEmpty())
        line += QStringLiteral("  sha256 ") + r.imageSha256.left(12);
    if (!r.testResult.isEmpty())
        line += QStringLiteral("  test ") + r.testResult;
    if (!r.ok)
        line += QStringLiteral("  ") + r.result.section(u'\n', 0, 0);
    return TerminalText(FileNameString(line)) + "\n";
}

int WriteImage(ProductionLog& log, const std::string& sha, const std::string& out)
{
    QString error;
    const std::optional<QByteArray> data = log.image(QString::fromStdString(sha), &error);
    if (!data) {
        PrintError(FileNameString(error));
        return kExitFailed;
    }
    if (!WriteFileAtomically(FileNameFromBytes(out), *data, &error)) {
        PrintError(FileNameString(error));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int RunLogCommand(Args& args, const char* program)
{
    args.parse({"--csv", "--json"}, {"--since", "--until", "--result", "--text", "--image", "-o", "--database"});
    if (!args.operands().empty())
        throw UsageError{"log takes no operands: \"" + args.operands().front() + "\""};
    if (args.has("--csv") && args.has("--json"))
        throw UsageError{"log takes --csv or --json, not both"};
    LogFilter filter;
    for (const char* name : {"--since", "--until"}) {
        if (const auto value = args.value(name)) {
            const bool until = std::string(name) == "--until";
            const auto bound = LogTimeBound(QString::fromStdString(*value), until);
            if (!bound)
                throw UsageError{std::string(name) + " needs a date (2026-12-10) or a time with its zone "
                                 "(2026-12-10T09:30:00Z): \"" + *value + "\""};
            (until ? filter.until : filter.since) = *bound;
        }
    }
    if (const auto result = args.value("--result")) {
        if (*result != "ok" && *result != "fail")
            throw UsageError{"--result takes ok or fail"};
        filter.ok = *result == "ok";
    }
    if (const auto text = args.value("--text"))
        filter.text = QString::fromStdString(*text);
    const auto image = args.value("--image");
    const auto out = args.value("-o");
    if (image) {
        if (!IsSha256(*image))
            throw UsageError{"--image needs a SHA-256 of 64 hexadecimal digits"};
        if (!out || out->empty())
            throw UsageError{"log --image SHA256 needs -o OUT"};
    } else if (out) {
        throw UsageError{"-o goes with --image SHA256"};
    }

    static int qtArgc = 1;
    static char* qtArgv[] = {const_cast<char*>(program), nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    QString error;
    const std::optional<LogLocation> location = ChosenLocation(args, &error);
    if (!location) {
        PrintError(FileNameString(error));
        return kExitFailed;
    }
    ProductionLog log(*location);
    if (!log.open()) {
        PrintError(FileNameString(log.problem()));
        return kExitFailed;
    }
    if (log.isReadOnly())
        PrintError(FileNameString(log.problem()));
    if (image)
        return WriteImage(log, *image, *out);

    const std::vector<LogRecord> records = log.records(filter, &error);
    if (!error.isEmpty()) {
        PrintError(FileNameString(error));
        return kExitFailed;
    }
    if (args.has("--csv")) {
        const QByteArray csv = LogCsv(records);
        Print(stdout, csv.toStdString());
    } else {
        std::string text;
        for (const LogRecord& record : records)
            text += args.has("--json") ? JsonLine(record) : ListingLine(record);
        Print(stdout, text);
    }
    return kExitOk;
}

DeviceLog::DeviceLog() = default;
DeviceLog::~DeviceLog() = default;
DeviceLog::DeviceLog(DeviceLog&&) noexcept = default;

DeviceLog OpenDeviceLog()
{
    DeviceLog device;
    SettingsStore settings;
    QString error;
    const std::optional<LogLocation> location = LogLocationFromSettings(settings, &error);
    if (!location) {
        PrintError("production log: " + FileNameString(error));
        return device;
    }
    device.log = std::make_unique<ProductionLog>(*location);
    device.log->open();  // a failure here is tried again with the first record
    if (device.log->isReadOnly())
        PrintError(FileNameString(device.log->problem()));
    device.recorder = std::make_unique<LogRecorder>(*device.log, StationNameFromSettings(settings), OperatorNameFromSettings(settings));
    return device;
}

void FinishDeviceLog(DeviceLog& device)
{
    if (!device.log)
        return;
    // One last try, which waits for nobody once a write has failed.
    if (!device.log->isReadOnly())
        device.log->flush();
    const int count = device.log->pendingCount();
    if (count == 0)
        return;
    const QString records = count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count);
    QString error;
    if (device.log->keepWaiting(&error))
        PrintError(FileNameString(QStringLiteral("production log: %1 of this command kept in %2, to be written with the next "
                                       "record: %3")
                            .arg(records, device.log->location().keptRecordsPath, device.log->problem())));
    else
        PrintError(FileNameString(QStringLiteral("production log: %1 of this command could not be written nor kept (%2) and %3 "
                                       "lost: %4")
                            .arg(records, error, count == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                                 device.log->problem())));
}

}  // namespace tessaro::cli
