// tessaro-programmer-sim: the SPD programmer / module tester on a pseudo-terminal,
// for development, demonstrations, operator training and automated tests.

#include "files/filename.h"
#include "files/spdfile.h"
#include "framereader.h"
#include "programmerdevice.h"
#include "simsupport.h"
#include "simoptions.h"
#include "tessaroversion.h"

#include <QString>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace tessaro;
using namespace tessaro::sim;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// 9600 baud, 8 data bits, no parity, 1 stop bit: ten bit times per character.
constexpr std::chrono::nanoseconds kCharacterTime{1'000'000'000LL * 10 / 9600};

volatile std::sig_atomic_t g_stop = 0;

void Fail(const std::string& reason)
{
    std::fprintf(stderr, "tessaro-programmer-sim: %s\n", reason.c_str());
}

bool ReadImage(const std::string& path, SpdImage& image)
{
    QString error;
    if (ReadSpdFile(FileNameFromBytes(path), image, &error))
        return true;
    Fail(error.toStdString());
    return false;
}

// The device side of the line: a pseudo-terminal whose other side is the
// "serial port" that the PC opens.
class PtyLine
{
public:
    ~PtyLine() { close(); }

    bool open(std::string& reason)
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            reason = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        char name[256];
        if (ptsname_r(m_master, name, sizeof name) != 0) {
            reason = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        m_path = name;
        // Holding the PC's side open ourselves keeps the line up while the PC
        // closes and reopens its port; otherwise our side would read EIO.
        m_slave = ::open(name, O_RDWR | O_NOCTTY);
        termios settings{};
        if (m_slave < 0 || tcgetattr(m_slave, &settings) != 0) {
            reason = std::string("cannot open ") + name + ": " + std::strerror(errno);
            return false;
        }
        cfmakeraw(&settings);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        settings.c_cflag |= CLOCAL | CREAD;
        if (tcsetattr(m_slave, TCSANOW, &settings) != 0 || fcntl(m_master, F_SETFL, O_NONBLOCK) != 0) {
            reason = std::string("cannot set up ") + name + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    void close()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

    [[nodiscard]] bool isOpen() const { return m_master >= 0; }
    [[nodiscard]] int fd() const { return m_master; }
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

class Simulator
{
public:
    Simulator(const SimOptions& options, ProgrammerDevice& device, std::FILE* log)
        : m_options(options), m_device(device), m_log(log)
    {
    }

    int run(PtyLine& line, const sigset_t& waitMask)
    {
        if (m_options.unplugAfter && *m_options.unplugAfter == 0)
            unplug(line);
        while (!g_stop) {
            Clock::time_point wake = Clock::time_point::max();
            if (line.isOpen()) {
                releaseDeferred();
                send(line);
                wake = nextWake();
            }
            pollfd fds{line.fd(), POLLIN, 0};
            if (m_blocked)
                fds.events |= POLLOUT;
            timespec timeout{};
            const timespec* timeoutPtr = sim::TimeoutUntil(wake, timeout);
            const int ready = ppoll(line.isOpen() ? &fds : nullptr, line.isOpen() ? 1 : 0, timeoutPtr, &waitMask);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                Fail(std::string("poll: ") + std::strerror(errno));
                return kExitFailed;
            }
            if (ready > 0 && (fds.revents & POLLOUT))
                m_blocked = false;
            if (ready > 0 && (fds.revents & (POLLIN | POLLHUP | POLLERR)))
                receive(line);
        }
        return kExitOk;
    }

private:
    void receive(PtyLine& line)
    {
        char buffer[4096];
        const ssize_t n = ::read(line.fd(), buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // Not expected while we hold the PC's side open; rest a moment
                // rather than spin on the error.
                timespec pause{0, 100'000'000};
                nanosleep(&pause, nullptr);
            }
            return;
        }
        m_reader.append(std::string_view(buffer, static_cast<std::size_t>(n)));
        while (const auto frame = m_reader.next()) {
            ++m_frames;
            DeviceOutput out = m_device.handle(*frame);
            logLine(FrameForLog(*frame) + (out.accepted ? "" : "  (ignored)"));
            if (m_options.unplugAfter && m_frames >= *m_options.unplugAfter) {
                unplug(line);
                return;
            }
            m_output += out.reply;
            for (auto& d : out.deferred)
                m_deferred.emplace(Clock::now() + d.delay, std::move(d.text));
        }
    }

    void releaseDeferred()
    {
        const auto now = Clock::now();
        while (!m_deferred.empty() && m_deferred.begin()->first <= now) {
            m_output += m_deferred.begin()->second;
            m_deferred.erase(m_deferred.begin());
        }
    }

    void send(PtyLine& line)
    {
        if (m_sent == m_output.size() || m_blocked)
            return;
        std::size_t count = m_output.size() - m_sent;
        const auto now = Clock::now();
        if (!m_options.fast) {
            if (m_lineFree < now)
                m_lineFree = now;  // the line was idle
            const auto due = now - m_lineFree;
            count = std::min<std::size_t>(count, static_cast<std::size_t>(due / kCharacterTime) + 1);
        }
        const ssize_t n = ::write(line.fd(), m_output.data() + m_sent, count);
        if (n < 0) {
            if (errno == EAGAIN) {
                // Nobody reads the line and its buffer is full: what a real
                // device sends now is lost at the PC.
                logLine("-- " + std::to_string(m_output.size() - m_sent) + " reply bytes lost: the line is full");
                m_output.clear();
                m_sent = 0;
                m_blocked = true;
            }
            return;
        }
        m_sent += static_cast<std::size_t>(n);
        m_lineFree += kCharacterTime * n;
        if (m_sent == m_output.size()) {
            m_output.clear();
            m_sent = 0;
        }
    }

    [[nodiscard]] Clock::time_point nextWake() const
    {
        Clock::time_point wake = Clock::time_point::max();
        if (!m_deferred.empty())
            wake = m_deferred.begin()->first;
        if (m_sent < m_output.size() && !m_blocked)
            wake = std::min(wake, m_options.fast ? Clock::now() : m_lineFree);
        return wake;
    }

    void unplug(PtyLine& line)
    {
        line.close();
        if (!m_options.linkPath.empty())
            ::unlink(m_options.linkPath.c_str());
        m_output.clear();
        m_sent = 0;
        m_deferred.clear();
        logLine("-- unplugged");
    }

    void logLine(const std::string& text)
    {
        if (!m_log || m_logFailed)
            return;
        if (!WriteLogLine(m_log, text)) {
            // Said once; serving goes on without the log.
            Fail("cannot write " + m_options.logFile + ": " + std::strerror(errno) + "; frames are no longer logged");
            m_logFailed = true;
        }
    }

    const SimOptions& m_options;
    ProgrammerDevice& m_device;
    std::FILE* m_log;
    bool m_logFailed = false;
    FrameReader m_reader;
    long m_frames = 0;
    std::string m_output;   // replies on their way out
    std::size_t m_sent = 0;
    bool m_blocked = false;
    Clock::time_point m_lineFree{};
    std::multimap<Clock::time_point, std::string> m_deferred;
};

}  // namespace

int main(int argc, char** argv)
{
    // "--version" alone prints the program's version; with a value it is the
    // version byte of the status record.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tessaro-programmer-sim %s\n", kVersionText);
        return kExitOk;
    }
    SimOptions options;
    std::string reason;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, reason)) {
        Fail(reason);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return kExitOk;
    }
    if (!options.spdFile.empty() && !ReadImage(options.spdFile, options.device.stored))
        return kExitFailed;
    if (!options.moduleFile.empty()) {
        SpdImage module{};
        if (!ReadImage(options.moduleFile, module))
            return kExitFailed;
        options.device.module = module;
    }
    std::FILE* log = nullptr;
    if (!options.logFile.empty() && !(log = OpenLog(options.logFile, Fail)))
        return kExitFailed;

    // The stop signals are held back except while waiting, so none slips in
    // between a check and the wait.
    const sigset_t waitMask = sim::InstallStopSignals(&g_stop);

    PtyLine line;
    if (!line.open(reason)) {
        Fail(reason);
        return kExitFailed;
    }
    if (!options.linkPath.empty() && !MakeLink(options.linkPath, line.path(), Fail))
        return kExitFailed;
    // The log's first line proves it can be written, before anything is served.
    if (log && !WriteLogLine(log, "-- serving on " + line.path())) {
        Fail("cannot write " + options.logFile + ": " + std::strerror(errno));
        if (!options.linkPath.empty())
            ::unlink(options.linkPath.c_str());
        return kExitFailed;
    }
    std::printf("%s\n", line.path().c_str());
    std::fflush(stdout);

    ProgrammerDevice device(options.device);
    Simulator simulator(options, device, log);
    const int status = simulator.run(line, waitMask);
    line.close();
    if (!options.linkPath.empty())
        RemoveLink(options.linkPath, line.path());
    if (log)
        std::fclose(log);
    std::printf("%s\n", device.faultSummary().c_str());
    std::fflush(stdout);
    return status;
}
