#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Generous: a loaded machine running sanitizers may be slow, and nothing here
// asserts on how long anything took.
constexpr auto kPatience = 30s;

// Reads from fd until `enough` says so, the other side closes, or patience runs out.
template <typename Enough>
std::string ReadUntil(int fd, Enough enough)
{
    std::string text;
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!enough(text) && std::chrono::steady_clock::now() < giveUp) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[1024];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// tessaro-programmer-sim as a child process with its stdout and stderr on pipes.
class Sim
{
public:
    explicit Sim(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<std::string> all{TESSARO_PROGRAMMER_SIM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }

    ~Sim()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    std::string firstLine()
    {
        m_stdout += ReadUntil(m_out, [](const std::string& t) { return t.find('\n') != std::string::npos; });
        const auto end = m_stdout.find('\n');
        return m_stdout.substr(0, end);
    }

    [[nodiscard]] bool running() const { return waitpid(m_pid, nullptr, WNOHANG) == 0; }

    // Sends the signal (none: just waits) and collects the exit code and output.
    int finish(int signal = 0)
    {
        if (signal)
            kill(m_pid, signal);
        m_stdout += ReadUntil(m_out, [](const std::string&) { return false; });
        m_stderr = ReadUntil(m_err, [](const std::string&) { return false; });
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    [[nodiscard]] const std::string& out() const { return m_stdout; }
    [[nodiscard]] const std::string& err() const { return m_stderr; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_stdout;
    std::string m_stderr;
};

// The PC's side, opened like a serial port.
int OpenPort(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return fd;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

bool WriteAll(int fd, const std::string& bytes)
{
    return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string LastLine(const std::string& text)
{
    std::string t = text;
    while (!t.empty() && t.back() == '\n')
        t.pop_back();
    return t.substr(t.rfind('\n') == std::string::npos ? 0 : t.rfind('\n') + 1);
}

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()))).string();
}

}  // namespace

TEST(SimProgram, AnswersTheStatusRequestOnItsPseudoTerminal)
{
    const std::string link = TempPath("tessaro-sim-link");
    const std::string log = TempPath("tessaro-sim-log");
    Sim sim({"--version", "11", "--status", "A4", "--link", link, "--log", log, "--fault-flip", "1"});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);

    const int port = OpenPort(link);
    ASSERT_GE(port, 0) << path;
    ASSERT_TRUE(WriteAll(port, "q\x10\x7F"));
    const std::string status = ReadUntil(port, [](const std::string& t) { return t.size() >= 32; });
    ASSERT_EQ(status.size(), 32u);
    EXPECT_EQ(status.substr(0, 4), "55AA");
    EXPECT_EQ(status.substr(8, 2), "11");
    EXPECT_EQ(status.substr(16, 2), "A4");
    // A dump, paced at 9600 baud, with its injected bit flip counted.
    ASSERT_TRUE(WriteAll(port, "l\x10\x7F"));
    EXPECT_EQ(ReadUntil(port, [](const std::string& t) { return t.size() >= 512; }).size(), 512u);
    close(port);

    EXPECT_EQ(sim.finish(SIGTERM), 0);
    EXPECT_EQ(LastLine(sim.out()), "faults: flipped 1, short 0, dropped 0, lost-writes 0");
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    std::ifstream logFile(log);
    const std::string logged((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(logged.find(" q<10><7F>\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find(" l<10><7F>\n"), std::string::npos) << logged;
    std::filesystem::remove(log);
}

TEST(SimProgram, UnplugAfterOneFrameCutsTheLineAndKeepsRunning)
{
    Sim sim({"--unplug-after", "1", "--fast"});
    const std::string path = sim.firstLine();
    const int port = OpenPort(path);
    ASSERT_GE(port, 0) << path;
    ASSERT_TRUE(WriteAll(port, "q\x10\x7F"));
    // Wait for the cable to go: from then on writes fail.
    bool cut = false;
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!cut && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(50ms);
        cut = write(port, "q", 1) < 0;
    }
    EXPECT_TRUE(cut);
    char c;
    EXPECT_LE(read(port, &c, 1), 0);
    close(port);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(sim.running());
    EXPECT_EQ(sim.finish(SIGTERM), 0);
    EXPECT_EQ(LastLine(sim.out()), "faults: flipped 0, short 0, dropped 0, lost-writes 0");
}

TEST(SimProgram, BadUsageExits2WithOneLineReason)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--fail", "melt"}, {"--fault-drop", "1.5"}, {"--version", "1G"}, {"--status", "1G"},
             {"--fail-pins", "3,144"}, {"--auto-serial", "maybe"}, {"--fast=yes"}, {"stray"}}) {
        Sim sim(args);
        EXPECT_EQ(sim.finish(), 2) << args[0];
        EXPECT_TRUE(sim.out().empty()) << args[0];
        EXPECT_EQ(std::count(sim.err().begin(), sim.err().end(), '\n'), 1) << sim.err();
    }
    Sim noise({"--noise", "loud"});
    EXPECT_EQ(noise.finish(), 2);
    Sim missing({"--spd", "/nonexistent/image.bin"});
    EXPECT_EQ(missing.finish(), 1);
    Sim version({"--version"});  // alone: the program's version, not the status record's
    EXPECT_EQ(version.finish(), 0);
    EXPECT_EQ(version.out(), "tessaro-programmer-sim 1.1.0\n");
    Sim help({"--help"});
    EXPECT_EQ(help.finish(), 0);
    EXPECT_NE(help.out().find("--unplug-after"), std::string::npos);
}

TEST(SimProgram, ALogItCannotWriteIsRefusedBeforeServing)
{
    // A missing folder, a folder, a device that takes no data, a FIFO nobody
    // reads (which would block the start for ever): exit 1, no device path.
    const std::string fifo = TempPath("tessaro-sim-fifo");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = std::filesystem::temp_directory_path().string();
    for (const std::string& log : {std::string("/nonexistent/frames.log"), folder, std::string("/dev/full"), fifo}) {
        Sim sim({"--log", log, "--fast"});
        EXPECT_EQ(sim.finish(), 1) << log;
        EXPECT_TRUE(sim.out().empty()) << log << ": " << sim.out();
        EXPECT_EQ(sim.err().rfind("tessaro-programmer-sim: cannot write " + log + ": ", 0), 0u) << sim.err();
        EXPECT_EQ(std::count(sim.err().begin(), sim.err().end(), '\n'), 1) << sim.err();
    }
    std::filesystem::remove(fifo);
}
