#pragma once

namespace tessaro::cli {

class Args;

// tessaro-cli spdrw --port DEVICE [--address ADDR] [--json] COMMAND
// info | read -o OUT | write FILE [--force] | verify FILE | protect status|set BLOCK...|clear
// Returns the exit status; bad usage throws UsageError.
int RunSpdrwCommand(Args& args, const char* program);

}  // namespace tessaro::cli
