#pragma once

namespace tessaro::cli {

// tessaro-cli wizard [OPTIONS] -o OUT: the image that finishing the SPD wizard
// with these choices builds. argv[first] is the first argument after "wizard".
// Returns the exit status.
int RunWizardCommand(int argc, char** argv, int first);

}  // namespace tessaro::cli
