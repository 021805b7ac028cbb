#include "args.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tessaro::cli {

namespace {

// The error of the first write to standard output that failed, or 0.
int g_standardOutputError = 0;

void StandardOutputFailed(int code)
{
    if (g_standardOutputError != 0)
        return;
    g_standardOutputError = code != 0 ? code : EIO;
    PrintError(std::string("cannot write standard output: ") + std::strerror(g_standardOutputError));
}

}  // namespace

void Print(std::FILE* stream, const std::string& text)
{
    if (stream == stdout && g_standardOutputError != 0)
        return;
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    const bool flushed = std::fflush(stream) == 0;
    if (stream == stdout && !(written && flushed))
        StandardOutputFailed(errno);
}

void GuardStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is the closed one.
        const int opened = ::open("/dev/null", fd == 2 ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
}

int FinishStandardOutput(int status)
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        StandardOutputFailed(errno);
    return g_standardOutputError != 0 ? kExitFailed : status;
}

void PrintError(const std::string& text)
{
    Print(stderr, "tessaro-cli: " + text + "\n");
}

void PrintReadWarnings(const std::string& file, const ImageData& image, const std::string& consequence)
{
    if (image.truncated())
        PrintError("warning: \"" + file + "\": " + image.truncationWarning() + (consequence.empty() ? "" : "; ") +
                   consequence);
}

void Args::parse(const std::vector<std::string>& flags, const std::vector<std::string>& valued)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < m_args.size(); ++i) {
        const std::string& a = m_args[i];
        if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
            m_operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> value;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            if (value)
                throw UsageError{"option " + name + " takes no value"};
            m_values[name] = "";
        } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
            if (!value) {
                if (i + 1 >= m_args.size())
                    throw UsageError{"option " + name + " needs a value"};
                value = m_args[++i];
            }
            m_values[name] = *value;
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
}

}  // namespace tessaro::cli
