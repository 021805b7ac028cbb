#pragma once

#include "log/logrecord.h"

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

}  // namespace tessaro
