#pragma once

namespace tessaro::cli {

class Args;

// tessaro-cli device --port DEVICE COMMAND [ARGS]: one programmer command over
// the workstation's link code. Returns the exit status; bad usage throws
// UsageError.
int RunDeviceCommand(Args& args, const char* program);

}  // namespace tessaro::cli
