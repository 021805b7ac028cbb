#include "log/readerwriterrecord.h"

#include "decode/modulesummary.h"

#include <QDateTime>

namespace tessaro {

namespace {

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

LogRecord MakeReaderWriterRecord(const ReaderWriterOperation& operation, const QString& station,
                                 const QString& operatorName)
{
    LogRecord record;
    record.timeUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    record.station = station;
    record.operatorName = operatorName;
    record.operation = Utf8(operation.operation);
    std::string port = "SPD reader/writer " + operation.port;
    if (!operation.address.empty())
        port += " " + operation.address;
    if (!operation.generation.empty())
        port += " " + operation.generation;
    record.port = Utf8(port);
    record.document = Utf8(operation.document);
    if (operation.image) {
        const auto bytes = *operation.image;
        record.image = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        record.imageSha256 = Sha256Hex(record.image);
        record.imageSize = static_cast<int>(bytes.size());
        const ModuleSummary summary = SummarizeModule(bytes);
        record.serialNumber = Utf8(summary.serialNumber.value_or(std::string()));
        record.moduleSummary = Utf8(summary.line());
    }
    record.ok = operation.ok;
    record.result = operation.ok ? QStringLiteral("ok") : Utf8(operation.message);
    record.durationMs = operation.durationMs;
    return record;
}

}  // namespace tessaro
