#include "simsupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro::sim {

namespace {
volatile std::sig_atomic_t* g_stop = nullptr;
void OnStopSignal(int)
{
    if (g_stop)
        *g_stop = 1;
}
}  // namespace

sigset_t InstallStopSignals(volatile std::sig_atomic_t* stop)
{
    g_stop = stop;
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t waitMask;
    sigprocmask(SIG_SETMASK, nullptr, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    return waitMask;
}

const timespec* TimeoutUntil(std::chrono::steady_clock::time_point wake, timespec& storage)
{
    if (wake == std::chrono::steady_clock::time_point::max())
        return nullptr;
    const auto left = std::max(std::chrono::nanoseconds(0), wake - std::chrono::steady_clock::now());
    storage.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
    storage.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
    return &storage;
}

std::string TimeStamp()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec,
                  now.tv_nsec / 1'000'000);
    return text;
}

std::FILE* OpenLog(const std::string& path, const std::function<void(const std::string&)>& fail)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail("cannot write " + path + ": " + (errno == ENXIO ? "no process reads it" : std::strerror(errno)));
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* log = fdopen(fd, "w");
    if (log == nullptr) {
        fail("cannot write " + path + ": " + std::strerror(errno));
        ::close(fd);
    }
    return log;
}

bool WriteLogLine(std::FILE* log, const std::string& text)
{
    errno = 0;
    const bool written = std::fprintf(log, "%s %s\n", TimeStamp().c_str(), text.c_str()) >= 0;
    return std::fflush(log) == 0 && written && !std::ferror(log);
}

bool MakeLink(const std::string& link, const std::string& target, const std::function<void(const std::string&)>& fail)
{
    struct stat info{};
    if (lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            fail(link + " exists and is not a symbolic link");
            return false;
        }
        ::unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        fail("cannot link " + link + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

void RemoveLink(const std::string& link, const std::string& target)
{
    char text[512];
    const ssize_t n = readlink(link.c_str(), text, sizeof text - 1);
    if (n > 0 && std::string(text, static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

}  // namespace tessaro::sim
