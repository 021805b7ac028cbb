#pragma once

#include "args.h"

namespace tessaro::cli {

// tessaro-cli compare A B [--json] [--input-format auto|binary|text|dump]
// Exit 0 byte-identical, 1 different, 2 bad usage or a file that cannot be read.
int RunCompareCommand(Args& args);

// tessaro-cli installed [--json] [--save DIR] [--sysfs ROOT]
int RunInstalledCommand(Args& args);

}  // namespace tessaro::cli
