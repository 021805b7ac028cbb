#include "devicecommand.h"

#include "args.h"
#include "logcommand.h"

#include "device/programmerlink.h"
#include "device/serialline.h"
#include "decode/moduledecode.h"
#include "document/settle.h"
#include "document/spddocument.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "files/spdformat.h"
#include "log/logrecorder.h"
#include "log/productionlog.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

namespace {

void Out(const std::string& text)
{
    Print(stdout, text);
}

void Err(const std::string& text)
{
    Print(stderr, text);
}

// The link's view of the command line: one document like a brand-new window,
// messages on stdout (successes) and stderr (failures).
class ConsoleHost final : public LinkHost
{
public:
    explicit ConsoleHost(DecodeContext& context) : m_document(context, "SPD_File 1") { m_document.open(); }

    SpdDocument& document() { return m_document; }
    bool failed() const { return m_failed; }
    bool statusHandled() const { return m_statusHandled; }
    const std::optional<std::string>& version() const { return m_version; }
    std::uint8_t status() const { return m_status; }

    // What the last polling tick read.
    struct Record {
        bool seen = false;
        std::string result;
        std::array<PinMark, kModuleSignalCount> pins{};
    };
    Record takeRecord() { return std::exchange(m_record, Record{}); }

    SpdDocument* activeDocument() override { return &m_document; }
    void showMessage(const LinkMessage& message) override
    {
        std::string text = message.text + "\n";
        for (const std::string& line : message.details)
            text += line + "\n";
        if (message.failure) {
            m_failed = true;
            Err(text);
        } else {
            Out(text);
        }
    }
    // Reasons and read warnings on stderr, each on its own line after the message.
    void showNote(const std::string& text) override
    {
        if (text.empty())
            return;
        Err((m_failed ? "" : "warning: ") + text + "\n");
    }
    void statusMissing() override {}
    void statusVersion(const std::string& version) override { m_version = version; }
    void statusFlags(std::uint8_t status) override { m_status = status; }
    void statusAccess(bool) override {}
    void statusDone(bool) override
    {
        m_statusHandled = true;
        if (m_statusDone)
            m_statusDone();
    }
    void onStatusDone(std::function<void()> done) { m_statusDone = std::move(done); }
    void testResultStarted() override { m_record.seen = true; }
    void testResultText(const std::string& text, bool) override { m_record.result = text; }
    void testCounts(int, int) override {}
    void testPins(const std::array<PinMark, kModuleSignalCount>& marks, bool) override { m_record.pins = marks; }
    bool autoNumbering() override { return m_autoNumbering; }
    bool setAutoNumbering(bool on) override { return std::exchange(m_autoNumbering, on) != on; }

private:
    SpdDocument m_document;
    bool m_failed = false;
    bool m_statusHandled = false;
    std::optional<std::string> m_version;
    std::uint8_t m_status = 0;
    Record m_record;
    bool m_autoNumbering = false;
    std::function<void()> m_statusDone;
};

std::string PinList(const std::array<PinMark, kModuleSignalCount>& pins, PinMark wanted)
{
    std::string list;
    for (int i = 0; i < kModuleSignalCount; ++i) {
        if (pins[static_cast<std::size_t>(i)] == wanted) {
            if (!list.empty())
                list += ' ';
            list += std::to_string(i);
        }
    }
    return list;
}

// A test record as "poll" prints it: five lines.
std::string RecordText(const ConsoleHost::Record& record, const AppValues& values)
{
    return "result: " + record.result + "\npassed: " + std::to_string(values.testPassCount) +
           "\nfailed: " + std::to_string(values.testFailCount) + "\npass pins: " + PinList(record.pins, PinMark::Pass) +
           "\nfail pins: " + PinList(record.pins, PinMark::Fail) + "\n";
}

// How long "tester test" waits for the module's record after the test
// command: the command's own wait. A record that comes later is read by a
// following "poll".
constexpr int kTestRecordWaitMs = 2000;

struct Request {
    std::string port;
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string> options;
};

Request Parse(Args& args)
{
    args.parse({}, {"--port", "-o", "--count"});
    Request r;
    for (const char* name : {"--port", "-o", "--count"})
        if (const auto value = args.value(name))
            r.options[name] = *value;
    if (!r.options.count("--port"))
        throw UsageError{"device needs --port DEVICE"};
    r.port = r.options["--port"];
    if (r.port.empty())
        throw UsageError{"--port needs a device path, such as /dev/ttyUSB0"};
    if (args.operands().empty())
        throw UsageError{"device needs a COMMAND"};
    r.command = args.operands().front();
    r.operands.assign(args.operands().begin() + 1, args.operands().end());
    return r;
}

void ExpectOperands(const Request& r, std::size_t count, const char* form)
{
    if (r.operands.size() != count)
        throw UsageError{std::string("usage: device --port DEVICE ") + form};
}

std::string Need(const Request& r, const std::string& option, const char* form)
{
    const auto it = r.options.find(option);
    if (it == r.options.end())
        throw UsageError{std::string("usage: device --port DEVICE ") + form};
    return it->second;
}

bool LoadFile(const std::string& file, SpdDocument& document)
{
    SpdImage image{};
    QString error;
    if (!ReadSpdFile(FileNameFromBytes(file), image, &error)) {
        Err("tessaro-cli: " + FileNameString(error) + "\n");
        return false;
    }
    OpenAndSettle(document, image);
    document.setCaption(file);  // the name the production log gives the document
    return true;
}

// A 512- or 1024-byte image is refused before anything is sent: the
// programmer holds 256 bytes, and the first 256 of a larger image are not it.
bool RefuseLargerImage(const std::string& file)
{
    const ImageRead read = ReadImageFile(file, InputFormatForFileName(file));
    // A file the 256-byte reader takes, or whose error it gives; the first page
    // of a DDR4 image (256 bytes present) is what the programmer itself reads
    // from a DDR4 module, so it goes back as it came.
    if (!read.ok() || read.image.bytes.size() <= static_cast<std::size_t>(kSpdSize))
        return false;
    Err(msg::LargerImageRefusal(read.image.size, DecodeModule(read.image.bytes).summary.generation) + "\n");
    return true;
}

bool SaveFile(const std::string& file, const SpdDocument& document)
{
    const QString path = FileNameFromBytes(file);
    QString error;
    if (!WriteSpdFile(path, document.image(), FormatForName(file), &error)) {
        Err("tessaro-cli: " + FileNameString(error) + "\n");
        return false;
    }
    return true;
}

std::optional<TesterCommand> TesterFor(const std::string& word)
{
    static const std::map<std::string, TesterCommand> words{
        {"read", TesterCommand::Read},       {"copy", TesterCommand::Copy}, {"compare", TesterCommand::Verify},
        {"test", TesterCommand::Test},       {"learn", TesterCommand::Learn},
    };
    const auto it = words.find(word);
    return it == words.end() ? std::nullopt : std::optional<TesterCommand>(it->second);
}

std::optional<int> SwitchBoxFor(const std::string& word)
{
    static const std::map<std::string, int> words{
        {"power", 4}, {"open", 5}, {"short", 6}, {"spd", 7}, {"spd-verify", 8}, {"protect", 10},
    };
    const auto it = words.find(word);
    return it == words.end() ? std::nullopt : std::optional<int>(it->second);
}

// The program's one event loop, run at its top until what it waits for holds:
// every step of the link returns to it.
class TopLoop
{
public:
    template <typename Done>
    void runUntil(Done done)
    {
        m_done = done;
        if (!m_done())
            m_loop.exec();
        m_done = nullptr;
    }
    // Something changed: the loop ends when what it waits for now holds.
    void check()
    {
        if (m_done && m_done())
            m_loop.quit();
    }

private:
    QEventLoop m_loop;
    std::function<bool()> m_done;
};

// Starts a command of the link and runs the loop until it has ended and shown
// its messages: true when it succeeded.
bool RunCommand(ProgrammerLink& link, TopLoop& loop, const std::function<void()>& start)
{
    bool ok = false;
    bool finished = false;
    const QMetaObject::Connection connection =
        QObject::connect(&link, &ProgrammerLink::commandFinished, [&](bool result) {
            ok = result;
            finished = true;
            loop.check();
        });
    start();
    loop.runUntil([&] { return finished; });
    QObject::disconnect(connection);
    return ok;
}

// "status": the connect handshake, then the version and the test-function boxes.
int RunStatus(ProgrammerLink& link, ConsoleHost& host, TopLoop& loop)
{
    link.requestStatus();
    if (host.failed())
        return kExitFailed;
    host.onStatusDone([&] { loop.check(); });
    loop.runUntil([&] { return host.statusHandled(); });
    if (host.failed() || !host.version())
        return kExitFailed;
    std::string out = "Ver: " + *host.version() + "\n";
    for (const TestFlag& flag : TestFlags())
        out += std::string(flag.caption) + ": " + (TestFlagTicked(host.status(), flag.statusBit) ? "1" : "0") + "\n";
    Out(out);
    return kExitOk;
}

// "poll": `count` ticks of the result polling, each test record that arrives
// printed after the link has handled it.
int RunPoll(int count, ProgrammerLink& link, ConsoleHost& host, const AppValues& values, TopLoop& loop)
{
    if (!link.openPort()) {
        Err("tessaro-cli: " + link.line().errorText().toStdString() + "\n");
        return kExitFailed;
    }
    int ticks = 0;
    // After the link's own handling of each tick.
    QObject::connect(&link.pollTimer(), &QTimer::timeout, [&] {
        ++ticks;
        const ConsoleHost::Record record = host.takeRecord();
        if (record.seen && !record.result.empty())
            Out(RecordText(record, values));
        loop.check();
    });
    link.pollTimer().start();
    loop.runUntil([&] { return ticks >= count; });
    link.pollTimer().stop();
    return kExitOk;
}

// The value of "--count": a whole number of at least 1, 1 when not given.
int PollCount(const Request& r)
{
    const auto it = r.options.find("--count");
    if (it == r.options.end())
        return 1;
    try {
        std::size_t used = 0;
        const int count = std::stoi(it->second, &used);
        if (used != it->second.size() || count < 1)
            throw std::invalid_argument("count");
        return count;
    } catch (const std::exception&) {
        throw UsageError{"--count needs a whole number of at least 1"};
    }
}

int Run(const Request& r)
{
    AppValues values;
    values.operatorAuthorized = true;
    ConsoleHost host(values.decode);
    const QString device = FileNameFromBytes(r.port);
    QtSerialLine line([device](int) { return device; });
    ProgrammerLink link(values, line, host);
    TopLoop loop;
    const auto run = [&](const std::function<void()>& start) { return RunCommand(link, loop, start); };
    SpdDocument& doc = host.document();
    // Every operation goes into the production log; what cannot be written
    // is tried again when the command ends.
    struct LogEnd {
        DeviceLog log = OpenDeviceLog();
        ~LogEnd() { FinishDeviceLog(log); }
    } logEnd;
    if (logEnd.log.recorder)
        link.setRecorder(logEnd.log.recorder.get());

    const std::string& c = r.command;
    if (c == "status") {
        ExpectOperands(r, 0, "status");
        return RunStatus(link, host, loop);
    }
    if (c == "program" || c == "verify") {
        ExpectOperands(r, 1, (c + " FILE").c_str());
        if (RefuseLargerImage(r.operands[0]) || !LoadFile(r.operands[0], doc))
            return kExitFailed;
        const bool ok = c == "program" ? run([&] { link.downloadAndCheck(); })
                                       : run([&] { link.compareWithProgrammer(); });
        return ok ? kExitOk : kExitFailed;
    }
    if (c == "read-programmer" || c == "read-module") {
        ExpectOperands(r, 0, (c + " -o OUT").c_str());
        const std::string out = Need(r, "-o", (c + " -o OUT").c_str());
        doc.setCaption(out);
        // An output that cannot take the image is refused before the device is asked.
        if (QString error; !CheckOutputFile(FileNameFromBytes(out), &error)) {
            Err("tessaro-cli: " + FileNameString(error) + "\n");
            return kExitFailed;
        }
        if (c == "read-programmer") {
            if (!run([&] { link.readProgrammer(); }))
                return kExitFailed;
            Out(std::string("auto-serial: ") + (host.autoNumbering() ? "on" : "off") + "\n");
        } else if (!run([&] { link.readModule(); })) {
            return kExitFailed;
        }
        return SaveFile(out, doc) ? kExitOk : kExitFailed;
    }
    if (c == "erase") {
        ExpectOperands(r, 0, "erase");
        return run([&] { link.eraseProgrammer(); }) ? kExitOk : kExitFailed;
    }
    if (c == "auto-serial") {
        ExpectOperands(r, 1, "auto-serial on|off");
        if (r.operands[0] != "on" && r.operands[0] != "off")
            throw UsageError{"auto-serial takes on or off"};
        host.setAutoNumbering(r.operands[0] == "on");
        return run([&] { link.setAutoSerial(); }) ? kExitOk : kExitFailed;
    }
    if (c == "tester") {
        ExpectOperands(r, 1, "tester read|copy|compare|test|learn");
        const auto command = TesterFor(r.operands[0]);
        if (!command)
            throw UsageError{"unknown tester command \"" + r.operands[0] + "\""};
        if (*command != TesterCommand::Test)
            return run([&] { link.runTesterCommand(*command); }) ? kExitOk : kExitFailed;
        // The test's record is printed as "poll" prints it; a module that
        // failed the test fails the command.
        if (!run([&] { link.runModuleTest(kTestRecordWaitMs); }))
            return kExitFailed;
        const ConsoleHost::Record record = host.takeRecord();
        Out(RecordText(record, values));
        return record.result == "PASS" ? kExitOk : kExitFailed;
    }
    if (c == "switch") {
        const char* form = "switch power|open|short|spd|spd-verify|protect enable|disable";
        ExpectOperands(r, 2, form);
        const auto box = SwitchBoxFor(r.operands[0]);
        if (!box || (r.operands[1] != "enable" && r.operands[1] != "disable"))
            throw UsageError{std::string("usage: device --port DEVICE ") + form};
        // "enable" is the press on a ticked box: the lower-case letter.
        const TesterCommand command = SwitchCommandFor(*box, r.operands[1] == "enable");
        return run([&] { link.runTesterCommand(command); }) ? kExitOk : kExitFailed;
    }
    if (c == "poll") {
        ExpectOperands(r, 0, "poll [--count N]");
        return RunPoll(PollCount(r), link, host, values, loop);
    }
    throw UsageError{"unknown device command \"" + c + "\""};
}

}  // namespace

int RunDeviceCommand(Args& args, const char* program)
{
    const Request request = Parse(args);
    static int qtArgc = 1;
    static char* qtArgv[] = {const_cast<char*>(program), nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    return Run(request);
}

}  // namespace tessaro::cli
