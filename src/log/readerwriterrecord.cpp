#include "log/readerwriterrecord.h"

#include "files/qttext.h"

#include <QDateTime>

namespace tessaro {

LogRecord MakeReaderWriterRecord(const ReaderWriterOperation& operation, const QString& station,
                                 const QString& operatorName)
{
    LogRecord record;
    record.timeUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    record.station = station;
    record.operatorName = operatorName;
    record.operation = ToQString(operation.operation);
    std::string port = "SPD reader/writer " + operation.port;
    if (!operation.address.empty())
        port += " " + operation.address;
    if (!operation.generation.empty())
        port += " " + operation.generation;
    record.port = ToQString(port);
    record.document = ToQString(operation.document);
    if (operation.image)
        SetRecordImage(record, *operation.image);
    record.ok = operation.ok;
    record.result = operation.ok ? QStringLiteral("ok") : ToQString(operation.message);
    record.durationMs = operation.durationMs;
    return record;
}

}  // namespace tessaro
