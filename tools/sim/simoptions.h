#pragma once

#include "programmerdevice.h"

#include <optional>
#include <string>
#include <vector>

namespace tessaro::sim {

// The command line of tessaro-programmer-sim.
struct SimOptions {
    DeviceSettings device;
    std::string spdFile;      // the stored image; none: all 00h
    std::string moduleFile;   // the module in the socket; none: empty socket
    std::string linkPath;
    std::string logFile;
    std::optional<long> unplugAfter;  // frames
    bool fast = false;
    bool help = false;
};

// Parses the arguments after the program name; on bad usage returns false
// with a one-line reason. Files are not read here.
[[nodiscard]] bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& reason);

[[nodiscard]] const char* SimUsage();

}  // namespace tessaro::sim
