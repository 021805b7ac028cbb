#pragma once

#include "readerwriterdevice.h"

#include <optional>
#include <string>
#include <vector>

namespace tessaro::spdrwsim {

// The command line of tessaro-spdrw-sim.
struct SpdrwSimOptions {
    DeviceSettings device;
    std::vector<std::pair<std::uint8_t, std::string>> moduleFiles;  // read by LoadModules
    std::vector<std::pair<std::uint8_t, std::vector<int>>> protect;
    std::vector<std::uint8_t> permanent;
    std::string linkPath;
    std::string logFile;
    std::string saveDir;
    std::optional<int> bootDelayMs;  // default 500, 0 with --fast
    bool help = false;
};

// Parses the arguments after the program name; false with a one-line reason
// on bad usage. Files are not read here.
[[nodiscard]] bool ParseSpdrwSimOptions(const std::vector<std::string>& args, SpdrwSimOptions& options,
                                        std::string& reason);

// Reads the module files into options.device and applies the protection
// options; false with a one-line reason (exit 1 for an unreadable file, 2 for
// an option that does not fit the module, given in *usage).
[[nodiscard]] bool LoadModules(SpdrwSimOptions& options, std::string& reason, bool* usage);

[[nodiscard]] const char* SpdrwSimUsage();

}  // namespace tessaro::spdrwsim
