#pragma once

#include "files/imageformat.h"

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Bad usage: the command stops, the reason goes to stderr, the exit status is 2.
struct UsageError {
    std::string reason;
};

// Writes text and flushes the stream. A failure to write standard output is
// told once on stderr ("cannot write standard output: REASON"); later writes
// to it are skipped and FinishStandardOutput turns the exit status into 1.
void Print(std::FILE* stream, const std::string& text);
// Opens /dev/null on any of the descriptors 0-2 that is closed, so that no
// file the command opens becomes its standard output; a closed standard output
// stays one that cannot be written (opened for reading only).
void GuardStandardStreams();
// The final flush of standard output: status, or 1 when anything written to
// standard output did not reach it.
[[nodiscard]] int FinishStandardOutput(int status);
// "tessaro-cli: " + text on stderr.
void PrintError(const std::string& text);
// What the reader warns of in the image of file, one line each on stderr:
// "tessaro-cli: warning: "FILE": truncated: 256 of 512 bytes", and what that
// means for the command (after "; ") when it says.
void PrintReadWarnings(const std::string& file, const ImageData& image, const std::string& consequence = {});

// Options and operands of one command. Options may stand anywhere; "--" ends them.
class Args
{
public:
    Args(int argc, char** argv, int first)
    {
        for (int i = first; i < argc; ++i)
            m_args.emplace_back(argv[i]);
    }

    // Splits off the options that the command knows: flags take no value,
    // valued options take the next argument or "--name=value".
    void parse(const std::vector<std::string>& flags, const std::vector<std::string>& valued);

    [[nodiscard]] bool has(const std::string& name) const { return m_values.count(name) != 0; }
    [[nodiscard]] std::optional<std::string> value(const std::string& name) const
    {
        const auto it = m_values.find(name);
        return it == m_values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    [[nodiscard]] const std::vector<std::string>& operands() const { return m_operands; }

private:
    std::vector<std::string> m_args;
    std::vector<std::string> m_operands;
    std::map<std::string, std::string> m_values;
};

}  // namespace tessaro::cli
