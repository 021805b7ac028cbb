// tessaro-spdrw-sim: the open SPD reader/writer on a pseudo-terminal, for
// development, demonstrations and automated tests.

#include "files/safefile.h"
#include "readerwriterdevice.h"
#include "simsupport.h"
#include "spdrwsimoptions.h"
#include "tessaroversion.h"

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace tessaro;
using namespace tessaro::spdrwsim;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// 115200 baud, 8 data bits, no parity, 1 stop bit: ten bit times a character.
constexpr std::chrono::nanoseconds kCharacterTime{1'000'000'000LL * 10 / spdrw::kBaudRate};
// The firmware waits this long for missing argument bytes.
constexpr auto kArgumentTimeout = 100ms;

volatile std::sig_atomic_t g_stop = 0;

void Fail(const std::string& reason)
{
    std::fprintf(stderr, "tessaro-spdrw-sim: %s\n", reason.c_str());
}

// The device side of a pseudo-terminal, with a watch on the PC's side: every
// open and close of it is seen (as the board sees DTR), however quickly one
// follows the other.
class Pty
{
public:
    ~Pty() { close(); }

    bool open(std::string& reason)
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        char name[256];
        if (m_fd < 0 || grantpt(m_fd) != 0 || unlockpt(m_fd) != 0 || ptsname_r(m_fd, name, sizeof name) != 0) {
            reason = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        m_path = name;
        m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_watch < 0 || inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
            reason = std::string("cannot watch ") + name + ": " + std::strerror(errno);
            return false;
        }
        // Raw bytes for programs that do not set the line up themselves.
        termios settings{};
        if (tcgetattr(m_fd, &settings) == 0) {
            cfmakeraw(&settings);
            cfsetispeed(&settings, B115200);
            cfsetospeed(&settings, B115200);
            settings.c_cflag |= CLOCAL | CREAD;
            tcsetattr(m_fd, TCSANOW, &settings);
        }
        return true;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_watch >= 0)
            ::close(m_watch);
        m_fd = m_watch = -1;
    }
    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] int watch() const { return m_watch; }
    // The opens (+1) and closes (-1) of the PC's side since the last call, in order.
    std::vector<int> takeOpenChanges()
    {
        std::vector<int> changes;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_watch, buffer, sizeof buffer);
            if (n <= 0)
                return changes;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & IN_OPEN)
                    changes.push_back(1);
                if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                    changes.push_back(-1);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    int m_fd = -1;
    int m_watch = -1;
    std::string m_path;
};

class Simulator
{
public:
    Simulator(const SpdrwSimOptions& options, ReaderWriterDevice& device, std::FILE* log)
        : m_options(options), m_device(device), m_log(log), m_fast(options.device.fast),
          m_bootDelay(std::chrono::milliseconds(options.bootDelayMs.value_or(m_fast ? 0 : 500)))
    {
    }

    int run(Pty& pty, const sigset_t& waitMask)
    {
        while (!g_stop) {
            const auto now = Clock::now();
            if (pty.isOpen() && m_hostOpen) {
                if (m_bootAt && *m_bootAt <= now) {
                    m_bootAt.reset();
                    queue(m_device.reset(), now);
                }
                if (m_device.commandPending() && now - m_lastInput >= kArgumentTimeout) {
                    for (DeviceOutput& out : m_device.argumentsTimedOut())
                        if (!handle(out, now, pty))
                            break;
                }
                release(now);
                send(pty);
            }
            Clock::time_point wake = Clock::time_point::max();
            if (pty.isOpen()) {
                if (m_bootAt)
                    wake = std::min(wake, *m_bootAt);
                if (m_device.commandPending())
                    wake = std::min(wake, m_lastInput + kArgumentTimeout);
                if (!m_scheduled.empty())
                    wake = std::min(wake, m_scheduled.front().first);
                if (!m_output.empty())
                    wake = std::min(wake, m_fast ? now : m_lineFree);
            }
            pollfd fds[2]{{pty.watch(), POLLIN, 0}, {pty.fd(), POLLIN, 0}};
            timespec timeout{};
            const timespec* timeoutPtr = sim::TimeoutUntil(wake, timeout);
            // While the PC's side is closed the line reports a hang-up without
            // end: then only the watch and the clock wake us.
            const nfds_t count = !pty.isOpen() ? 0 : m_hostOpen ? 2 : 1;
            const int ready = ppoll(count ? fds : nullptr, count, timeoutPtr, &waitMask);
            if (ready < 0 && errno != EINTR) {
                Fail(std::string("poll: ") + std::strerror(errno));
                return kExitFailed;
            }
            if (ready > 0 && count > 0 && (fds[0].revents & POLLIN))
                for (int change : pty.takeOpenChanges())
                    openChanged(change);
            if (ready > 0 && count == 2 && m_hostOpen && fds[1].revents)
                receive(pty, fds[1].revents);
        }
        return kExitOk;
    }

private:
    void openChanged(int change)
    {
        m_opens = std::max(0, m_opens + change);
        if (change < 0) {
            if (m_opens == 0 && m_hostOpen)
                closed();
            return;
        }
        if (m_opens > 1)
            return;  // a second opener changes nothing
        // The PC opened the port: with DTR the board resets.
        m_hostOpen = true;
        m_bootAt = Clock::now() + m_bootDelay;
        m_lineFree = m_firmwareFree = m_rxDone = Clock::now();
        logLine("-- port opened");
    }

    void closed()
    {
        m_hostOpen = false;
        m_bootAt.reset();
        m_scheduled.clear();
        m_output.clear();
        m_device.argumentsTimedOut();  // the half command dies with the reset to come
        logLine("-- port closed");
    }

    void receive(Pty& pty, short revents)
    {
        char buffer[4096];
        const ssize_t n = ::read(pty.fd(), buffer, sizeof buffer);
        if (n <= 0) {
            if ((n < 0 && errno == EIO) || (revents & POLLHUP)) {
                closed();
                m_opens = 0;
            }
            return;
        }
        const auto now = Clock::now();
        m_lastInput = now;
        if (m_bootAt)
            return;  // the boot loader swallows what comes before the firmware runs
        // The bytes arrive one character time after another.
        m_rxDone = std::max(m_rxDone, now) + (m_fast ? 0ns : kCharacterTime * n);
        for (DeviceOutput& out :
             m_device.receive(std::span(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(n)))) {
            if (!handle(out, now, pty))
                return;
        }
    }

    // False when the line dropped.
    bool handle(DeviceOutput& out, Clock::time_point now, Pty& pty)
    {
        if (!out.log.empty())
            logLine(out.log);
        if (out.disconnect) {
            logLine("-- disconnected");
            pty.close();
            if (!m_options.linkPath.empty())
                ::unlink(m_options.linkPath.c_str());
            return false;
        }
        m_firmwareFree = std::max({m_firmwareFree, m_rxDone, now}) + out.busy;
        if (!out.bytes.empty())
            m_scheduled.emplace_back(m_firmwareFree, std::move(out.bytes));
        return true;
    }

    void queue(DeviceOutput out, Clock::time_point now)
    {
        logLine(out.log);
        if (!out.bytes.empty())
            m_scheduled.emplace_back(now, std::move(out.bytes));
    }

    void release(Clock::time_point now)
    {
        while (!m_scheduled.empty() && m_scheduled.front().first <= now) {
            m_output.insert(m_output.end(), m_scheduled.front().second.begin(), m_scheduled.front().second.end());
            if (m_lineFree < m_scheduled.front().first)
                m_lineFree = m_scheduled.front().first;
            m_scheduled.pop_front();
        }
    }

    void send(Pty& pty)
    {
        if (m_output.empty())
            return;
        std::size_t count = m_output.size();
        const auto now = Clock::now();
        if (!m_fast) {
            if (m_lineFree > now)
                return;
            count = std::min<std::size_t>(count, static_cast<std::size_t>((now - m_lineFree) / kCharacterTime) + 1);
        }
        const ssize_t n = ::write(pty.fd(), m_output.data(), count);
        if (n <= 0)
            return;
        m_output.erase(m_output.begin(), m_output.begin() + n);
        m_lineFree += kCharacterTime * n;
    }

    void logLine(const std::string& text)
    {
        if (!m_log || m_logFailed)
            return;
        if (!sim::WriteLogLine(m_log, text)) {
            Fail("cannot write " + m_options.logFile + ": " + std::strerror(errno) + "; commands are no longer logged");
            m_logFailed = true;
        }
    }

    const SpdrwSimOptions& m_options;
    ReaderWriterDevice& m_device;
    std::FILE* m_log;
    bool m_logFailed = false;
    const bool m_fast;
    const std::chrono::milliseconds m_bootDelay;
    bool m_hostOpen = false;
    int m_opens = 0;  // the PC's opens of its side not yet closed
    std::optional<Clock::time_point> m_bootAt;
    Clock::time_point m_lastInput{};
    Clock::time_point m_rxDone{};
    Clock::time_point m_firmwareFree{};
    Clock::time_point m_lineFree{};
    std::deque<std::pair<Clock::time_point, spdrw::Bytes>> m_scheduled;  // replies not yet due
    spdrw::Bytes m_output;                                                // on their way out
};

bool SaveModules(const std::string& dir, const ReaderWriterDevice& device)
{
    bool ok = true;
    for (const auto& [address, module] : device.modules()) {
        const QString path = QDir(QString::fromLocal8Bit(dir.c_str()))
                                 .filePath(QString::fromStdString(spdrw::AddressText(address) + ".bin"));
        QString error;
        if (!WriteFileAtomically(path, QByteArray(reinterpret_cast<const char*>(module.bytes.data()),
                                                  static_cast<qsizetype>(module.bytes.size())),
                                 &error)) {
            Fail(error.toStdString());
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tessaro-spdrw-sim %s\n", kVersionText);
        return kExitOk;
    }
    SpdrwSimOptions options;
    std::string reason;
    if (!ParseSpdrwSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, reason)) {
        Fail(reason);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SpdrwSimUsage(), stdout);
        return kExitOk;
    }
    bool usage = false;
    if (!LoadModules(options, reason, &usage)) {
        Fail(reason);
        return usage ? kExitUsage : kExitFailed;
    }
    std::FILE* log = nullptr;
    if (!options.logFile.empty() && !(log = sim::OpenLog(options.logFile, Fail)))
        return kExitFailed;

    const sigset_t waitMask = sim::InstallStopSignals(&g_stop);

    Pty pty;
    if (!pty.open(reason)) {
        Fail(reason);
        return kExitFailed;
    }
    if (!options.linkPath.empty() && !sim::MakeLink(options.linkPath, pty.path(), Fail))
        return kExitFailed;
    if (log && !sim::WriteLogLine(log, "-- serving on " + pty.path())) {
        Fail("cannot write " + options.logFile + ": " + std::strerror(errno));
        if (!options.linkPath.empty())
            sim::RemoveLink(options.linkPath, pty.path());
        return kExitFailed;
    }
    std::printf("%s\n", pty.path().c_str());
    std::fflush(stdout);

    ReaderWriterDevice device(options.device);
    Simulator simulator(options, device, log);
    int status = simulator.run(pty, waitMask);
    pty.close();
    if (!options.linkPath.empty())
        sim::RemoveLink(options.linkPath, pty.path());
    if (log)
        std::fclose(log);
    if (!options.saveDir.empty() && !SaveModules(options.saveDir, device))
        status = kExitFailed;
    std::printf("%s\n", device.faultSummary().c_str());
    std::fflush(stdout);
    return status;
}
