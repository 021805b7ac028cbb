#include "device/programmerlink.h"

#include "device/serialline.h"
#include "document/spddocument.h"

#include <QEventLoop>

#include <utility>

namespace tessaro {

namespace {

// Pauses the test-result polling while a command talks to the programmer (a
// record arriving then would be mistaken for the command's reply) and starts
// it again when the command ends, whichever way it ends.
class PollingPause
{
public:
    explicit PollingPause(QTimer& polling) : m_polling(polling) { m_polling.stop(); }
    ~PollingPause()
    {
        if (m_restartOnExit)
            m_polling.start();
    }
    PollingPause(const PollingPause&) = delete;
    PollingPause& operator=(const PollingPause&) = delete;

    // Starts the polling now rather than on exit (before a success message,
    // whose box runs the event loop).
    void restartNow()
    {
        if (std::exchange(m_restartOnExit, false))
            m_polling.start();
    }
    // Leaves the polling stopped on exit, for a command that another follows.
    void stayPaused() { m_restartOnExit = false; }

private:
    QTimer& m_polling;
    bool m_restartOnExit = true;
};

}  // namespace

ProgrammerLink::ProgrammerLink(AppValues& app, SerialLine& line, LinkHost& host, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_line(line)
    , m_host(host)
    , m_clock(SystemSettleClock())
{
    m_pollTimer.setInterval(2000);
    m_statusReplyTimer.setInterval(1000);
    m_rowPaceTimer.setInterval(800);
    m_rowPaceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &ProgrammerLink::pollTick);
    connect(&m_statusReplyTimer, &QTimer::timeout, this, &ProgrammerLink::statusReplyTick);
    connect(&m_rowPaceTimer, &QTimer::timeout, this, [this] {
        m_rowPauseElapsed = true;
        m_rowPaceTimer.stop();
    });
}

ProgrammerLink::~ProgrammerLink() = default;

bool ProgrammerLink::openPort()
{
    if (m_line.isOpen() || m_line.open())
        return true;
    noteLineFailure();
    return false;
}

void ProgrammerLink::noteLineFailure()
{
    m_reason = m_line.errorText().toStdString();
}

void ProgrammerLink::closePort()
{
    m_line.close();
}

void ProgrammerLink::changePort(int number)
{
    m_line.close();
    m_line.setPortNumber(number);
}

bool ProgrammerLink::write(const std::string& bytes)
{
    if (!m_line.write(bytes)) {
        noteLineFailure();
        return false;
    }
    emit written(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return true;
}

bool ProgrammerLink::read(std::string& text)
{
    if (m_line.readAvailable(text))
        return true;
    noteLineFailure();
    return false;
}

void ProgrammerLink::settle(int seconds)
{
    SettleWait(seconds, m_clock);
}

bool ProgrammerLink::fail(const char* text, const char* title)
{
    m_host.showMessage({text, title, true});
    if (!m_reason.empty())
        m_host.showNote(std::exchange(m_reason, {}));
    return false;
}

void ProgrammerLink::succeed(const char* text)
{
    m_reason.clear();
    m_host.showNote({});
    m_host.showMessage({text, {}, false});
}

// --- Connect handshake ---

void ProgrammerLink::requestStatus()
{
    m_pollTimer.stop();
    if (!openPort() || !write(CommandFrame("q"))) {
        // No status reply is awaited: the polling stays stopped until a
        // later command or handshake starts it.
        fail(msg::kStatusUnreadable);
        return;
    }
    settle(1);
    m_statusReplyTimer.start();
}

void ProgrammerLink::requestStatusForNewWindow()
{
    m_statusReplyTimer.stop();
    requestStatus();
}

void ProgrammerLink::statusReplyTick()
{
    m_statusReplyTimer.stop();
    std::string reply;
    if (openPort())
        read(reply);
    const std::optional<StatusRecord> record = ReadStatusRecord(reply);
    if (!record) {
        m_host.statusMissing();
        fail(msg::kRs232Failed);
    } else {
        m_host.statusVersion(record->version);
        m_host.statusFlags(record->status);
        settle(1);
        m_host.statusAccess(m_app.operatorAuthorized);
    }
    m_host.statusDone(m_app.operatorAuthorized);
    m_pollTimer.start();
}

void ProgrammerLink::pollTick()
{
    // Any failure ends the tick at once; what it changed stays.
    std::string text;
    if (!openPort() || !read(text)) {
        m_reason.clear();  // a tick fails silently
        return;
    }
    if (BeginsWithRecordHeader(text)) {
        if (m_host.activeDocument() == nullptr)
            return;
        const TestRecordReading record = ReadTestRecord(text);
        m_host.testResultStarted();
        if (!record.hasResult)
            return;
        const char* result = TestResultText(record.result);
        m_host.testResultText(result, std::string_view(result) == "PASS");
        std::int16_t& counter = record.result != 0 ? m_app.testFailCount : m_app.testPassCount;
        if (counter == INT16_MAX)
            return;
        ++counter;
        m_host.testCounts(m_app.testPassCount, m_app.testFailCount);
        m_host.testPins(record.pins, record.pinsComplete);
        if (!record.pinsComplete)
            return;
    }
    std::string rest;
    m_line.readAvailable(rest);
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
}

// --- SPD transfers ---

void ProgrammerLink::waitForRowPause()
{
    m_rowPauseElapsed = false;
    m_rowPaceTimer.start();
    while (!m_rowPauseElapsed) {
        QEventLoop loop;
        connect(&m_rowPaceTimer, &QTimer::timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool ProgrammerLink::downloadToProgrammer()
{
    PollingPause pause(m_pollTimer);
    SpdDocument* doc = m_host.activeDocument();
    if (doc == nullptr || !openPort()) {
        pause.stayPaused();  // the check that follows restarts the polling
        return fail(msg::kDownloadFailed);
    }
    for (int row = 0; row < 16; ++row) {
        // The bytes are taken row by row, as they stand when the row leaves.
        doc = m_host.activeDocument();
        if (doc == nullptr || !write(CommandFrame(DownloadRowText(doc->image(), row)))) {
            m_rowPaceTimer.stop();
            pause.stayPaused();
            return fail(msg::kDownloadFailed);
        }
        waitForRowPause();
    }
    m_line.close();
    pause.restartNow();
    m_rowPaceTimer.stop();
    return true;
}

int ProgrammerLink::readDump(std::array<std::uint8_t, kSpdSize>& bytes)
{
    std::string reply;
    if (!read(reply))
        return -1;
    if (const auto bad = FirstNonHexInDump(reply)) {
        m_reason = NonHexDumpReason(reply, *bad);
        return -1;
    }
    const int count = ReadSpdDump(reply, bytes);
    if (count < kSpdSize)
        m_reason = "the reply has " + std::to_string(reply.size()) + " of " + std::to_string(kSpdDumpLength) +
                   " characters";
    return count;
}

bool ProgrammerLink::storeDump(const std::array<std::uint8_t, kSpdSize>& bytes, int count)
{
    // Only the bytes the reply carried in full; check bytes, marks and the
    // modified flag stay as they are.
    for (int i = 0; i < count; ++i) {
        SpdDocument* doc = m_host.activeDocument();
        if (doc == nullptr)
            return false;
        doc->setByte(i, bytes[static_cast<std::size_t>(i)]);
        doc->decodeByte(i);
    }
    return count == kSpdSize;
}

bool ProgrammerLink::compareWithDocument(int waitSeconds, const char* equalText, const char* differsText,
                                         const char* failureText)
{
    PollingPause pause(m_pollTimer);
    bool ok = openPort() && write(CommandFrame("l"));
    std::array<std::uint8_t, kSpdSize> dump{};
    if (ok) {
        settle(waitSeconds);
        ok = readDump(dump) == kSpdSize;
    }
    SpdDocument* doc = m_host.activeDocument();
    if (!ok || doc == nullptr)
        return fail(failureText);
    int differences = 0;
    for (int i = 0; i < kSpdSize; ++i)
        differences += dump[static_cast<std::size_t>(i)] != doc->byte(i) ? 1 : 0;
    const bool equal = differences == 0;
    if (!equal)
        return fail(differsText);
    succeed(equalText);
    return true;
}

bool ProgrammerLink::checkDownload()
{
    return compareWithDocument(2, msg::kCopyCheckSucceeded, msg::kCopyCheckDiffers, msg::kCopyCheckFailed);
}

bool ProgrammerLink::compareWithProgrammer()
{
    return compareWithDocument(4, msg::kCompareEqual, msg::kCompareDiffers, msg::kCompareDiffers);
}

bool ProgrammerLink::downloadAndCheck()
{
    const bool sent = downloadToProgrammer();
    const bool checked = checkDownload();
    return sent && checked;
}

bool ProgrammerLink::readIntoDocument(const char* letter, SpdImage& image)
{
    if (!openPort() || !write(CommandFrame(letter)))
        return false;
    settle(2);
    const int count = readDump(image);
    return count >= 0 && storeDump(image, count);
}

bool ProgrammerLink::readModule()
{
    PollingPause pause(m_pollTimer);
    SpdImage image{};
    if (!readIntoDocument("k", image))
        return fail(msg::kReadModuleFailed);
    pause.restartNow();
    succeed(msg::kReadModuleOk);
    // The image stays as read; a mismatch is only pointed out.
    m_host.showNote(CheckBytesMismatch(image));
    return true;
}

bool ProgrammerLink::readProgrammer()
{
    PollingPause pause(m_pollTimer);
    SpdImage image{};
    bool ok = readIntoDocument("l", image);
    std::optional<bool> numbering;
    if (ok) {
        ok = openPort() && write(SerialNumberingQueryFrame());
        if (ok) {
            settle(2);
            std::string reply;
            ok = read(reply) && (numbering = ReadSerialNumbering(reply)).has_value();
        }
    }
    if (!ok || m_host.activeDocument() == nullptr)
        return fail(msg::kReadProgrammerFailed);
    // Setting the box runs its click action, which tells the programmer the
    // box's new state.
    if (m_host.setAutoNumbering(*numbering))
        setAutoSerial();
    pause.restartNow();
    succeed(msg::kReadProgrammerOk);
    m_host.showNote(CheckBytesMismatch(image));
    return true;
}

bool ProgrammerLink::eraseProgrammer()
{
    PollingPause pause(m_pollTimer);
    bool ok = openPort() && write(CommandFrame("e"));
    if (ok) {
        m_line.close();
        settle(2);
        ok = openPort();
    }
    if (!ok)
        return fail(msg::kEraseFailed);
    succeed(msg::kEraseOk);
    return true;
}

bool ProgrammerLink::setAutoSerial()
{
    PollingPause pause(m_pollTimer);
    m_statusReplyTimer.stop();  // a pending status reply is dropped
    const bool on = m_host.autoNumbering();
    if (!openPort() || !write(CommandFrame(on ? "a" : "A")))
        return fail(msg::kAutoSerialFailed);
    m_line.close();
    settle(1);
    return true;
}

// --- Module-tester commands ---

bool ProgrammerLink::runTesterCommand(TesterCommand command)
{
    const TesterCommandInfo& info = TesterCommandInfoFor(command);
    PollingPause pause(m_pollTimer);
    bool ok = openPort() && write(CommandFrame(std::string(1, info.letter)));
    if (ok) {
        if (info.closesPort)
            m_line.close();
        settle(info.waitSeconds);
        if (info.closesPort)
            ok = openPort();
    }
    if (!ok)
        return fail(info.failureText, info.failureTitle);
    return true;
}

}  // namespace tessaro
