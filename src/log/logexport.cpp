#include "log/logexport.h"

namespace tessaro {

namespace {

// A cell that a spreadsheet would take as a formula (one that begins with
// "=", "+", "-", "@", a tab or a carriage return) gets a leading apostrophe
// inside quotes, so that it is read as text. The numbers of the log (id,
// image size, duration) are never negative, so no number is changed.
QString CsvField(const QString& text)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    const bool formula = !text.isEmpty() && kFormulaStarts.contains(text.front());
    if (!formula && !text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + (formula ? u'\'' + quoted : quoted) + u'"';
}

QString CsvLine(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted << CsvField(field);
    return quoted.join(u',') + QStringLiteral("\r\n");
}

}  // namespace

const QStringList& LogColumns()
{
    static const QStringList columns{
        QStringLiteral("id"),           QStringLiteral("time"),         QStringLiteral("station"),
        QStringLiteral("operator"),     QStringLiteral("operation"),    QStringLiteral("port"),
        QStringLiteral("document"),     QStringLiteral("image_sha256"), QStringLiteral("image_size"),
        QStringLiteral("serial_number"), QStringLiteral("module"),      QStringLiteral("result"),
        QStringLiteral("test_result"),  QStringLiteral("fail_pins"),    QStringLiteral("pass_pins"),
        QStringLiteral("duration_ms"),
    };
    return columns;
}

QStringList LogValues(const LogRecord& r)
{
    return {QString::number(r.id), r.timeUtc,    r.station,
            r.operatorName,        r.operation,  r.port,
            r.document,            r.imageSha256, r.imageSha256.isEmpty() ? QString() : QString::number(r.imageSize),
            r.serialNumber,        r.moduleSummary, r.result,
            r.testResult,          r.failPins,   r.passPins,
            QString::number(r.durationMs)};
}

QByteArray LogCsv(const std::vector<LogRecord>& records)
{
    QString text = CsvLine(LogColumns());
    for (const LogRecord& record : records)
        text += CsvLine(LogValues(record));
    return text.toUtf8();
}

}  // namespace tessaro
