#pragma once

namespace tessaro::cli {

// tessaro-cli device --port DEVICE COMMAND [ARGS]: one programmer command over
// the workstation's link code. argv[first] is the first argument after
// "device". Returns the exit status.
int RunDeviceCommand(int argc, char** argv, int first);

}  // namespace tessaro::cli
