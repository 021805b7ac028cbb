#pragma once

#include "device/spdrwlink.h"
#include "log/logrecord.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessaro {

// One operation on the open SPD reader/writer, as the production log keeps it.
struct ReaderWriterOperation {
    std::string operation;   // "spdrw write", "spdrw backup", "spdrw read" ...
    std::string port;        // the serial device
    std::string address;     // "0x50"; empty for the whole bus
    std::string generation;  // "DDR4"; empty when not known
    std::string document;    // the file read or written
    std::optional<std::span<const std::uint8_t>> image;  // of any size
    bool ok = false;
    std::string message;     // the failure
    std::int64_t durationMs = 0;
};

// The record: the port names the device kind, the port, the address and the
// generation ("SPD reader/writer /dev/ttyUSB0 0x50 DDR4"); the image with its
// SHA-256 and module summary; `operatorName` as OperatorName() gives it.
[[nodiscard]] LogRecord MakeReaderWriterRecord(const ReaderWriterOperation& operation, const QString& station,
                                               const QString& operatorName = OperatorName());

class ProductionLog;

// The records of one session with the reader/writer, the same from the command
// line and from the windows: each operation with the device, the module, the
// image and the result; a write's backup before its first page.
class ReaderWriterJournal
{
public:
    // `log` may be null: nothing is recorded.
    ReaderWriterJournal(ProductionLog* log, QString station, QString operatorName);

    // The duration of the next record counts from now.
    void restartClock() { m_started = std::chrono::steady_clock::now(); }
    void record(const std::string& operation, const std::string& port, const SpdrwModule* module,
                std::optional<std::span<const std::uint8_t>> image, bool ok, const std::string& message,
                const std::string& document = {});
    // Writes `image` by the write rules (SpdrwLink::writeImage): the module's
    // image recorded as "spdrw backup" before the first page is written, then
    // "spdrw write" with the image and the result.
    SpdrwWriteResult write(SpdrwLink& link, const SpdrwModule& module, std::span<const std::uint8_t> image,
                           bool force, const SpdrwHints& hints, const std::string& document);

private:
    ProductionLog* m_log;
    QString m_station;
    QString m_operator;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

[[nodiscard]] inline bool Succeeded(const SpdrwWriteResult& result)
{
    return result.outcome == SpdrwWriteResult::Outcome::Written ||
           result.outcome == SpdrwWriteResult::Outcome::Unchanged;
}

}  // namespace tessaro
