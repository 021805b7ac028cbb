#pragma once

namespace tessaro::cli {

class Args;

// tessaro-cli wizard [OPTIONS] -o OUT: the image that finishing the SPD wizard
// with these choices builds. Returns the exit status; bad usage throws
// UsageError.
int RunWizardCommand(Args& args);

}  // namespace tessaro::cli
