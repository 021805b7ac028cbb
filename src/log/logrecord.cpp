#include "log/logrecord.h"

#include "decode/modulesummary.h"
#include "device/linkrecorder.h"
#include "files/qttext.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSysInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace tessaro {

namespace {

QString PinText(const std::vector<int>& pins)
{
    QStringList words;
    words.reserve(static_cast<qsizetype>(pins.size()));
    for (int pin : pins)
        words << QString::number(pin);
    return words.join(u' ');
}

}  // namespace

QString Sha256Hex(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QString OperatorName(const QString& name)
{
    QString login;
#ifdef Q_OS_UNIX
    if (const struct passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_name != nullptr)
        login = QString::fromLocal8Bit(user->pw_name);
#endif
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"})
        if (login.isEmpty())
            login = qEnvironmentVariable(variable);
#ifdef Q_OS_UNIX
    if (login.isEmpty())
        login = QString::number(::geteuid());
#endif
    return name.isEmpty() ? login : login + QStringLiteral(" (") + name + u')';
}

QString DefaultStationName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

void SetRecordImage(LogRecord& record, std::span<const std::uint8_t> image)
{
    record.image = QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
    record.imageSha256 = Sha256Hex(record.image);
    record.imageSize = static_cast<int>(image.size());
    const ModuleSummary summary = SummarizeModule(image);
    record.serialNumber = ToQString(summary.serialNumber.value_or(std::string()));
    record.moduleSummary = ToQString(summary.line());
}

LogRecord MakeLogRecord(const LinkOperationReport& report, const QString& station, const QString& operatorName)
{
    LogRecord record;
    record.timeUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    record.station = station;
    record.operatorName = operatorName;
    record.operation = QString::fromLatin1(LinkOperationName(report.operation));
    record.port = ToQString(report.port);
    record.document = ToQString(report.documentName);
    if (report.image)
        SetRecordImage(record, *report.image);
    record.ok = report.ok;
    record.result = report.ok ? QStringLiteral("ok") : ToQString(report.message);
    record.testResult = ToQString(report.testResult);
    record.failPins = PinText(report.failPins);
    record.passPins = PinText(report.passPins);
    record.durationMs = report.durationMs;
    return record;
}

}  // namespace tessaro
