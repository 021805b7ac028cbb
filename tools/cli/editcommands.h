#pragma once

#include "args.h"

namespace tessaro::cli {

// tessaro-cli set FILE [-o OUT] NAME=VALUE...
int RunSetCommand(Args& args);

// tessaro-cli profile FILE [-o OUT] list | add KIND [--from jedec|N] | set N NAME=VALUE... | remove N
int RunProfileCommand(Args& args);

}  // namespace tessaro::cli
