#include "device/programmerlink.h"

#include "device/serialline.h"
#include "document/spddocument.h"

#include <QEventLoop>

#include <algorithm>
#include <functional>
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

// Runs `atExit` when the scope ends, whichever way it ends.
class ScopeExit
{
public:
    explicit ScopeExit(std::function<void()> atExit) : m_atExit(std::move(atExit)) {}
    ~ScopeExit() { m_atExit(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> m_atExit;
};

constexpr const char* kNoDocument = "no document window is open";
constexpr const char* kDocumentClosed = "the document window closed";

// Operations whose record carries the document's image as it was sent or compared.
bool SendsDocumentImage(LinkOperation operation)
{
    return operation == LinkOperation::Download || operation == LinkOperation::Check ||
           operation == LinkOperation::Compare;
}

bool ReadsImage(LinkOperation operation)
{
    return operation == LinkOperation::ReadProgrammer || operation == LinkOperation::ReadModule;
}

LinkOperation OperationOfTester(TesterCommand command)
{
    switch (command) {
    case TesterCommand::Read: return LinkOperation::TesterRead;
    case TesterCommand::Copy: return LinkOperation::TesterCopy;
    case TesterCommand::Verify: return LinkOperation::TesterCompare;
    case TesterCommand::Test: return LinkOperation::TesterTest;
    case TesterCommand::Learn: return LinkOperation::TesterLearn;
    default: return LinkOperation::Switch;
    }
}

std::vector<int> PinsMarked(const std::array<PinMark, kModuleSignalCount>& pins, PinMark wanted)
{
    std::vector<int> list;
    for (int i = 0; i < kModuleSignalCount; ++i)
        if (pins[static_cast<std::size_t>(i)] == wanted)
            list.push_back(i);
    return list;
}

// The record's result and pins, as the production log keeps them.
void FillTestReport(LinkOperationReport& report, const TestRecordReading& record)
{
    const char* result = TestResultText(record.result);
    report.ok = record.result == 0;
    report.message = report.ok ? std::string() : std::string(result);
    report.testResult = result;
    report.failPins = PinsMarked(record.pins, PinMark::Fail);
    report.passPins = PinsMarked(record.pins, PinMark::Pass);
}

// The binding of a host whose documents outlive every command.
class LastingDocument final : public BoundDocument
{
public:
    explicit LastingDocument(LinkHost& host) : m_host(host), m_document(host.activeDocument()) {}
    SpdDocument* document() override { return m_document; }
    bool autoNumbering() override { return m_host.autoNumbering(); }
    bool setAutoNumbering(bool on) override { return m_host.setAutoNumbering(on); }

private:
    LinkHost& m_host;
    SpdDocument* m_document;
};

}  // namespace

std::unique_ptr<BoundDocument> LinkHost::bindActiveDocument()
{
    return std::make_unique<LastingDocument>(*this);
}

// A command from its start to its end. The outermost one binds the active
// document for itself and every command it runs (the check after a download,
// the serial-numbering switch after a read); at its end a status request that
// came meanwhile is sent.
class ProgrammerLink::CommandScope
{
public:
    explicit CommandScope(ProgrammerLink& link) : m_link(link)
    {
        if (m_link.m_commandDepth++ == 0) {
            m_link.m_bound = m_link.m_host.bindActiveDocument();
            m_link.m_startedWithDocument = m_link.m_bound->document() != nullptr;
        }
    }
    ~CommandScope()
    {
        if (--m_link.m_commandDepth > 0)
            return;
        m_link.m_bound.reset();
        if (std::exchange(m_link.m_statusRequestWaiting, false))
            QTimer::singleShot(0, &m_link, &ProgrammerLink::requestStatus);
    }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

private:
    ProgrammerLink& m_link;
};

const char* LinkOperationName(LinkOperation operation)
{
    switch (operation) {
    case LinkOperation::Download: return "download";
    case LinkOperation::Check: return "check";
    case LinkOperation::ReadProgrammer: return "read programmer";
    case LinkOperation::ReadModule: return "read module";
    case LinkOperation::Compare: return "compare";
    case LinkOperation::Erase: return "erase";
    case LinkOperation::AutoSerial: return "auto-serial";
    case LinkOperation::TesterRead: return "tester read";
    case LinkOperation::TesterCopy: return "tester copy";
    case LinkOperation::TesterCompare: return "tester compare";
    case LinkOperation::TesterTest: return "tester test";
    case LinkOperation::TesterLearn: return "tester learn";
    case LinkOperation::Switch: return "switch";
    case LinkOperation::TestRecord: return "test record";
    }
    return "unknown";
}

ProgrammerLink::ProgrammerLink(AppValues& app, SerialLine& line, LinkHost& host, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_line(line)
    , m_host(host)
    , m_clock(SystemPacingClock())
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

SpdDocument* ProgrammerLink::document()
{
    if (m_commandDepth == 0)
        return m_host.activeDocument();
    return m_bound->document();
}

const char* ProgrammerLink::missingDocumentReason() const
{
    return m_commandDepth > 0 && m_startedWithDocument ? kDocumentClosed : kNoDocument;
}

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

void ProgrammerLink::pace(int seconds)
{
    if (m_activity == nullptr) {
        PacingWait(seconds, m_clock);
        return;
    }
    // The progress moves on with every second of the wait.
    PacingClock clock = m_clock;
    clock.sleep = [this](int milliseconds) {
        m_clock.sleep(milliseconds);
        showProgress();
    };
    PacingWait(seconds, clock);
}

bool ProgrammerLink::beginProgress(const char* activity)
{
    if (m_activity != nullptr)
        return false;  // part of a longer command, whose progress goes on
    m_activity = activity;
    m_progressStep.clear();
    m_activityTime.start();
    showProgress();
    return true;
}

void ProgrammerLink::setProgressStep(std::string step)
{
    m_progressStep = std::move(step);
    showProgress();
}

void ProgrammerLink::showProgress()
{
    if (m_activity == nullptr)
        return;
    std::string text = m_activity;
    if (!m_progressStep.empty())
        text += ": " + m_progressStep;
    text += ", " + std::to_string(m_activityTime.elapsed() / 1000) + " s";
    m_host.showProgress(text);
}

void ProgrammerLink::endProgress()
{
    if (std::exchange(m_activity, nullptr) != nullptr)
        m_host.showProgress({});
}

bool ProgrammerLink::beginOperation(LinkOperation operation)
{
    if (m_operation)
        return false;
    LinkOperationReport report;
    report.operation = operation;
    report.ok = true;
    report.authorized = m_app.operatorAuthorized;
    if (const SpdDocument* doc = document()) {
        report.documentName = doc->captionWithoutMark();
        if (SendsDocumentImage(operation))
            report.image = doc->image();
    }
    m_operation = std::move(report);
    m_operationTime.start();
    m_operationOutcomeNoted = false;
    return true;
}

void ProgrammerLink::noteOperationOutcome()
{
    // The time stops when the outcome is known, before its message box waits
    // for the operator.
    if (!m_operation || std::exchange(m_operationOutcomeNoted, true))
        return;
    m_operation->durationMs = m_operationTime.elapsed();
    if (m_operation->ok && ReadsImage(m_operation->operation))
        if (const SpdDocument* doc = document())
            m_operation->image = doc->image();
}

void ProgrammerLink::recordFailure(const std::string& text, const std::vector<std::string>& details)
{
    if (!m_operation || !m_operation->ok)
        return;
    m_operation->ok = false;
    m_operation->image.reset();
    if (SendsDocumentImage(m_operation->operation))
        if (const SpdDocument* doc = document())
            m_operation->image = doc->image();
    std::string message = text;
    for (const std::string& line : details)
        message += "\n" + line;
    m_operation->message = std::move(message);
    noteOperationOutcome();
}

void ProgrammerLink::endOperation()
{
    if (!m_operation)
        return;
    noteOperationOutcome();
    LinkOperationReport report = std::move(*m_operation);
    m_operation.reset();
    report.port = m_line.portText().toStdString();
    if (m_recorder != nullptr)
        m_recorder->operationFinished(report);
}

bool ProgrammerLink::fail(const char* text, const char* title)
{
    endProgress();
    recordFailure(text, m_reason.empty() ? std::vector<std::string>{} : std::vector<std::string>{m_reason});
    m_host.showMessage({text, title, true, {}});
    if (!m_reason.empty())
        m_host.showNote(std::exchange(m_reason, {}));
    return false;
}

bool ProgrammerLink::failWithCause(const char* text, std::vector<std::string> details)
{
    endProgress();
    if (!m_reason.empty())
        details.push_back(std::exchange(m_reason, {}));
    // A line failure names its port already ("port /dev/ttyS0: ...").
    const bool portNamed = std::any_of(details.begin(), details.end(),
                                       [](const std::string& line) { return line.rfind("port ", 0) == 0; });
    if (!portNamed)
        details.push_back(m_line.portText().toStdString());
    recordFailure(text, details);
    m_host.showMessage({text, msg::kErrorTitle, true, std::move(details)});
    return false;
}

void ProgrammerLink::succeed(const char* text)
{
    endProgress();
    noteOperationOutcome();
    m_reason.clear();
    m_host.showNote({});
    m_host.showMessage({text, {}, false, {}});
}

// --- Connect handshake ---

void ProgrammerLink::requestStatus()
{
    if (busy()) {
        // Its frame and reply would fall among the command's.
        m_statusRequestWaiting = true;
        return;
    }
    m_pollTimer.stop();
    if (!openPort() || !write(CommandFrame("q"))) {
        // No status reply is awaited: the polling stays stopped until a
        // later command or handshake starts it. The port and the system's
        // reason follow the message.
        failWithCause(msg::kStatusUnreadable);
        return;
    }
    pace(1);
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
    if (busy()) {
        // The command's replies came in meanwhile: the status is asked again after it.
        m_statusRequestWaiting = true;
        return;
    }
    std::string reply;
    const bool opened = openPort();
    if (opened)
        read(reply);
    const std::optional<StatusRecord> record = ReadStatusRecord(reply);
    if (!record) {
        m_host.statusMissing();
        // The port and why: the system's reason, or what came back.
        if (opened && m_reason.empty())
            m_reason = m_line.portText().toStdString() + ": " +
                       (reply.empty() ? "no reply to the status request" : "the status reply cannot be read");
        failWithCause(msg::kRs232Failed);
    } else {
        m_host.statusVersion(record->version);
        m_host.statusFlags(record->status);
        pace(1);
        m_host.statusAccess(m_app.operatorAuthorized);
    }
    m_host.statusDone(m_app.operatorAuthorized);
    m_pollTimer.start();
}

void ProgrammerLink::pollTick()
{
    // Any failure ends the tick at once; what it changed stays.
    if (busy())
        return;  // the reply belongs to the command
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
        if (m_recorder != nullptr) {
            LinkOperationReport report;
            report.operation = LinkOperation::TestRecord;
            report.port = m_line.portText().toStdString();
            report.documentName = m_host.activeDocument()->captionWithoutMark();
            report.authorized = m_app.operatorAuthorized;
            FillTestReport(report, record);
            m_recorder->operationFinished(report);
        }
        if (!showTestRecord(record))
            return;
    }
    std::string rest;
    m_line.readAvailable(rest);
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
}

bool ProgrammerLink::showTestRecord(const TestRecordReading& record)
{
    const char* result = TestResultText(record.result);
    m_host.testResultText(result, std::string_view(result) == "PASS");
    std::int16_t& counter = record.result != 0 ? m_app.testFailCount : m_app.testPassCount;
    if (counter == INT16_MAX)
        return false;
    ++counter;
    m_host.testCounts(m_app.testPassCount, m_app.testFailCount);
    m_host.testPins(record.pins, record.pinsComplete);
    return record.pinsComplete;
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
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::Download);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    const bool ownsProgress = beginProgress(kDownloadActivity);
    const ScopeExit progressEnds([this, ownsProgress] {
        if (ownsProgress)
            endProgress();
    });
    SpdDocument* doc = document();
    if (doc == nullptr || !openPort()) {
        pause.stayPaused();  // whoever runs the download restarts the polling
        return doc == nullptr ? failWithCause(msg::kDownloadFailed, {kNoDocument})
                              : failWithCause(msg::kDownloadFailed);
    }
    for (int row = 0; row < 16; ++row) {
        const std::string rowText = std::to_string(row + 1) + " / 16";
        setProgressStep("第 " + rowText + " 列");
        // The bytes are taken row by row, as they stand when the row leaves.
        doc = document();
        const bool sent = doc != nullptr && write(CommandFrame(DownloadRowText(doc->image(), row)));
        if (!sent) {
            m_rowPaceTimer.stop();
            pause.stayPaused();
            return failWithCause(msg::kDownloadFailed,
                                 doc == nullptr ? std::vector<std::string>{kDocumentClosed, "row " + rowText + " was not sent"}
                                                : std::vector<std::string>{"row " + rowText + " was not sent"});
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
    m_replyLength = 0;
    if (!read(reply))
        return -1;
    m_replyLength = reply.size();
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
    // Only the bytes the reply carried in full; the check bytes stay as read.
    // A whole image replaces the document's as a file opened into it does
    // (decoded as a settled window, marks cleared). A read that changed the
    // bytes marks the document modified: the caption still names the file,
    // which no longer holds what the window shows.
    SpdDocument* doc = document();
    if (doc == nullptr) {
        if (m_reason.empty())
            m_reason = missingDocumentReason();
        return false;
    }
    if (count <= 0)
        return count == kSpdSize;
    const auto change = [&] {
        const SpdImage before = doc->image();
        if (count == kSpdSize) {
            doc->loadWhole(bytes);
        } else {
            for (int i = 0; i < count; ++i)
                doc->setByte(i, bytes[static_cast<std::size_t>(i)]);
            doc->settleView();
        }
        if (doc->image() != before)
            doc->setModified(true);
    };
    m_bound->change(change);
    return count == kSpdSize;
}

bool ProgrammerLink::compareWithDocument(const char* activity, int waitSeconds, const char* equalText, const char* differsText,
                                         const char* failureText)
{
    PollingPause pause(m_pollTimer);
    const bool ownsProgress = beginProgress(activity);
    const ScopeExit progressEnds([this, ownsProgress] {
        if (ownsProgress)
            endProgress();
    });
    if (!ownsProgress)
        setProgressStep("檢查");  // the check after a download
    // The marks of the last compare go; this one's replace them.
    if (SpdDocument* doc = document()) {
        for (int i = 0; i < kSpdSize; ++i)
            if (doc->mark(i) == Mark::Differs)
                doc->setMark(i, Mark::Plain);
    }
    bool ok = openPort() && write(CommandFrame("l"));
    SpdImage dump{};
    if (ok) {
        pace(waitSeconds);
        const int count = readDump(dump);
        ok = count == kSpdSize;
        if (count >= 0 && !ok)  // the port and the characters were fine, the reply was short
            m_reason = m_replyLength == 0 ? std::string("no reply") : "short reply: " + m_reason;
    }
    SpdDocument* doc = document();
    if (!ok)
        return failWithCause(failureText);
    if (doc == nullptr)
        return failWithCause(failureText, {missingDocumentReason()});
    std::vector<std::string> differences = DifferingBytesLines(doc->image(), dump);
    if (!differences.empty()) {
        for (int i = 0; i < kSpdSize; ++i)
            if (dump[static_cast<std::size_t>(i)] != doc->byte(i))
                doc->setMark(i, Mark::Differs);
        return failWithCause(differsText, std::move(differences));
    }
    succeed(equalText);
    return true;
}

bool ProgrammerLink::checkDownload()
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::Check);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    return compareWithDocument(kDownloadActivity, 2, msg::kCopyCheckSucceeded, msg::kCopyCheckDiffers, msg::kCopyCheckFailed);
}

bool ProgrammerLink::compareWithProgrammer()
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::Compare);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    return compareWithDocument("PC 與 SPD 機器比對", 4, msg::kCompareEqual, msg::kCompareDiffers, msg::kCompareDiffers);
}

bool ProgrammerLink::downloadAndCheck()
{
    const CommandScope command(*this);
    // One progress from the first row to the end of the check, and one
    // message: a download that failed is not checked as well.
    const bool recorded = beginOperation(LinkOperation::Download);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    beginProgress(kDownloadActivity);
    const ScopeExit progressEnds([this] { endProgress(); });
    if (!downloadToProgrammer()) {
        m_pollTimer.start();
        return false;
    }
    return checkDownload();
}

bool ProgrammerLink::readIntoDocument(const char* letter, SpdImage& image)
{
    if (!openPort() || !write(CommandFrame(letter)))
        return false;
    pace(2);
    const int count = readDump(image);
    return count >= 0 && storeDump(image, count);
}

bool ProgrammerLink::readModule()
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::ReadModule);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    beginProgress("電腦讀取模組 SPD");
    const ScopeExit progressEnds([this] { endProgress(); });
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
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::ReadProgrammer);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    beginProgress("電腦讀取機器 SPD");
    const ScopeExit progressEnds([this] { endProgress(); });
    SpdImage image{};
    bool ok = readIntoDocument("l", image);
    std::optional<bool> numbering;
    if (ok) {
        ok = openPort() && write(SerialNumberingQueryFrame());
        if (ok) {
            pace(2);
            std::string reply;
            ok = read(reply) && (numbering = ReadSerialNumbering(reply)).has_value();
            if (m_reason.empty() && !numbering)
                m_reason = reply.empty() ? std::string("no reply to the serial-numbering query")
                                         : "the serial-numbering reply has " + std::to_string(reply.size()) +
                                               " characters, too few to read";
        }
    }
    if (ok && document() == nullptr)
        m_reason = missingDocumentReason();
    if (!ok || document() == nullptr)
        return fail(msg::kReadProgrammerFailed);
    // Setting the box runs its click action, which tells the programmer the
    // box's new state.
    if (m_bound->setAutoNumbering(*numbering))
        setAutoSerial();
    pause.restartNow();
    succeed(msg::kReadProgrammerOk);
    m_host.showNote(CheckBytesMismatch(image));
    return true;
}

bool ProgrammerLink::eraseProgrammer()
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::Erase);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    beginProgress("SPD燒錄機清除");
    const ScopeExit progressEnds([this] { endProgress(); });
    bool ok = openPort() && write(CommandFrame("e"));
    if (ok) {
        m_line.close();
        pace(2);
        ok = openPort();
    }
    if (!ok)
        return fail(msg::kEraseFailed);
    succeed(msg::kEraseOk);
    return true;
}

bool ProgrammerLink::setAutoSerial()
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::AutoSerial);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    m_statusReplyTimer.stop();  // a pending status reply is dropped
    const bool on = m_bound->autoNumbering();
    if (!openPort() || !write(CommandFrame(on ? "a" : "A")))
        return fail(msg::kAutoSerialFailed);
    m_line.close();
    pace(1);
    return true;
}

// --- Module-tester commands ---

bool ProgrammerLink::runTesterCommand(TesterCommand command)
{
    const CommandScope scope(*this);
    const TesterCommandInfo& info = TesterCommandInfoFor(command);
    const bool recorded = beginOperation(OperationOfTester(command));
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    PollingPause pause(m_pollTimer);
    const bool ownsProgress = beginProgress("測試機執行中");
    const ScopeExit progressEnds([this, ownsProgress] {
        if (ownsProgress)
            endProgress();
    });
    bool ok = openPort() && write(CommandFrame(std::string(1, info.letter)));
    if (ok) {
        if (info.closesPort)
            m_line.close();
        pace(info.waitSeconds);
        if (info.closesPort)
            ok = openPort();
    }
    if (!ok)
        return fail(info.failureText, info.failureTitle);
    return true;
}

bool ProgrammerLink::runModuleTest(int recordWaitMs)
{
    const CommandScope command(*this);
    const bool recorded = beginOperation(LinkOperation::TesterTest);
    const ScopeExit recordEnds([this, recorded] {
        if (recorded)
            endOperation();
    });
    // The link's clock, which tests replace, else the monotonic one.
    QElapsedTimer monotonic;
    monotonic.start();
    const auto now = [&] { return m_clock.elapsed ? m_clock.elapsed() : std::int64_t{monotonic.elapsed()}; };
    const std::int64_t commandTime = now();
    if (!runTesterCommand(TesterCommand::Test))
        return false;
    PollingPause pause(m_pollTimer);  // the record is read here, not by a polling tick
    std::string text;
    TestRecordReading record;
    for (;;) {
        std::string more;
        if (!openPort() || !read(more))
            return failWithCause(msg::kTestFailed);
        text += more;
        record = ReadTestRecord(text);
        // A record whose characters are still coming in gets a second more.
        const std::int64_t limit = record.isRecord ? recordWaitMs + 1000 : recordWaitMs;
        if (record.pinsComplete || now() - commandTime >= limit)
            break;
        m_clock.sleep(50);
    }
    if (!record.hasResult) {
        const std::string seconds = std::to_string((recordWaitMs + 999) / 1000);
        return failWithCause(msg::kTestFailed, {record.isRecord ? "the test record was cut short"
                                                                : "no test record came within " + seconds +
                                                                      " s of the test command"});
    }
    if (m_operation)
        FillTestReport(*m_operation, record);
    m_host.testResultStarted();
    showTestRecord(record);
    return true;
}

}  // namespace tessaro
