#pragma once

#include "core/spdimage.h"

#include <QString>

#include <string>
#include <vector>

namespace tessaro::test {

// All images of the shared corpus (generation folders only), empty when absent.
std::vector<std::string> CorpusImages();
std::string CorpusDir();

// Reads a whole file; empty on failure.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& data);

// An image with bytes[i] = i.
SpdImage CountingImage();

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs tessaro-cli with the arguments.
CommandResult RunCli(const std::vector<std::string>& args);
// Runs a command line through /bin/sh.
CommandResult RunShell(const std::string& command);

}  // namespace tessaro::test
