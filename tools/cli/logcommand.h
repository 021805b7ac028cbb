#pragma once

#include <memory>

namespace tessaro {
class LogRecorder;
class ProductionLog;
}  // namespace tessaro

namespace tessaro::cli {

class Args;

// tessaro-cli log [--since DATE] [--until DATE] [--result ok|fail] [--text TEXT]
//                 [--csv|--json] [--database PATH]
// tessaro-cli log --image SHA256 -o OUT [--database PATH]
// Returns the exit status; bad usage throws UsageError.
int RunLogCommand(Args& args, const char* program);

// The production log of the device command: the settings' log with a recorder
// for the link. Records that cannot be written at the end are reported on
// stderr by FinishDeviceLog, never changing the command's exit status.
struct DeviceLog {
    std::unique_ptr<ProductionLog> log;
    std::unique_ptr<LogRecorder> recorder;
    DeviceLog();
    ~DeviceLog();
    DeviceLog(DeviceLog&&) noexcept;
};
[[nodiscard]] DeviceLog OpenDeviceLog();
void FinishDeviceLog(DeviceLog& log);

}  // namespace tessaro::cli
