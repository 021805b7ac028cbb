#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>

namespace tessaro {

struct LinkOperationReport;

// One row of the production log: one operation that reached the programmer
// or the module tester.
struct LogRecord {
    qint64 id = 0;             // given by the database; 0 before the record is written
    QString timeUtc;           // ISO 8601, "2026-12-10T09:41:38.123Z"
    QString station;           // the station name setting, by default the host name
    QString operatorName;      // who ran it: the login name, and the operator name of the settings ("ana (Ana Lin)")
    QString operation;         // "download", "read module", "tester test", ...
    QString port;
    QString document;          // the document window's caption
    QByteArray image;          // the image's bytes; empty when the operation carried none
    QString imageSha256;       // lower-case hex; empty without an image
    int imageSize = 0;
    QString serialNumber;      // of the image, empty when it defines none
    QString moduleSummary;     // maker, part number and the rest of the one-line summary
    bool ok = false;
    QString result;            // "ok", or the failure message and its details
    QString testResult;        // a module test: the tester's result text
    QString failPins;          // a module test: failing signal indexes, "3 17 42"
    QString passPins;          // a module test: passing signal indexes
    qint64 durationMs = 0;
};

// The login name of the user running this program (the name of its effective
// user; $USER, then $LOGNAME, then the user number when the system knows no
// name), followed by `name` in parentheses when one is given: "ana (Ana Lin)".
[[nodiscard]] QString OperatorName(const QString& name = {});

// The record of a finished link operation: the time now, the image's hash and
// summary; `operatorName` as OperatorName() gives it.
[[nodiscard]] LogRecord MakeLogRecord(const LinkOperationReport& report, const QString& station,
                                      const QString& operatorName = OperatorName());

// Stores the image in the record with what is derived from it: its SHA-256,
// size, serial number and module summary.
void SetRecordImage(LogRecord& record, std::span<const std::uint8_t> image);

// The station name of this machine when none is set: its host name.
[[nodiscard]] QString DefaultStationName();

// Lower-case hex SHA-256 of data.
[[nodiscard]] QString Sha256Hex(const QByteArray& data);

}  // namespace tessaro
