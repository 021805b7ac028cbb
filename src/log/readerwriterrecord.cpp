#include "log/readerwriterrecord.h"

#include "files/qttext.h"
#include "log/productionlog.h"

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

ReaderWriterJournal::ReaderWriterJournal(ProductionLog* log, QString station, QString operatorName)
    : m_log(log), m_station(std::move(station)), m_operator(std::move(operatorName))
{
}

void ReaderWriterJournal::record(const std::string& operation, const std::string& port, const SpdrwModule* module,
                                 std::optional<std::span<const std::uint8_t>> image, bool ok,
                                 const std::string& message, const std::string& document)
{
    if (!m_log)
        return;
    ReaderWriterOperation op;
    op.operation = operation;
    op.port = port;
    if (module) {
        op.address = spdrw::AddressText(module->address);
        op.generation = module->generation;
    }
    op.document = document;
    op.image = image;
    op.ok = ok;
    op.message = message;
    op.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_started).count();
    m_log->append(MakeReaderWriterRecord(op, m_station, m_operator));
}

SpdrwWriteResult ReaderWriterJournal::write(SpdrwLink& link, const SpdrwModule& module,
                                            std::span<const std::uint8_t> image, bool force, const SpdrwHints& hints,
                                            const std::string& document)
{
    const std::string port = link.portPath();
    const SpdrwWriteResult result = link.writeImage(module, image, force, hints, [&](const spdrw::Bytes& backup) {
        record("spdrw backup", port, &module, backup, true, {}, document);
    });
    if (Succeeded(result))
        record("spdrw write", port, &module, image, true, {}, document);
    else
        record("spdrw write", port, &module, std::nullopt, false, result.message, document);
    return result;
}

}  // namespace tessaro
