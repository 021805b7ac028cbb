#pragma once

namespace tessaro::cli {

class Args;

// tessaro-cli report FILE [--pdf OUT.pdf] [--items]
int RunReportCommand(Args& args, int argc, char** argv);

}  // namespace tessaro::cli
