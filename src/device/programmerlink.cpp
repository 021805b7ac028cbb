#include "device/programmerlink.h"

#include "device/serialline.h"
#include "document/spddocument.h"

#include <QPointer>

#include <algorithm>
#include <functional>
#include <utility>

namespace tessaro {

namespace {

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

// Pauses the test-result polling while a command talks to the programmer (a
// record arriving then would be mistaken for the command's reply) and starts
// it again when the command ends, whichever way it ends (after the messages
// shown until then).
class ProgrammerLink::PollingPause
{
public:
    explicit PollingPause(ProgrammerLink& link) : m_link(link) { m_link.m_pollTimer.stop(); }
    ~PollingPause()
    {
        if (m_restartOnExit)
            m_link.restartPolling();
    }
    PollingPause(const PollingPause&) = delete;
    PollingPause& operator=(const PollingPause&) = delete;

    // Starts the polling now rather than on exit (before a success message).
    void restartNow()
    {
        if (std::exchange(m_restartOnExit, false))
            m_link.restartPolling();
    }
    // Leaves the polling stopped on exit, for a command that another follows.
    void stayPaused() { m_restartOnExit = false; }

private:
    ProgrammerLink& m_link;
    bool m_restartOnExit = true;
};

// Records the operation from here to the end of the scope, unless one is
// recorded already (which this one is then part of).
class ProgrammerLink::OperationRecord
{
public:
    OperationRecord(ProgrammerLink& link, LinkOperation operation)
        : m_link(link), m_owned(link.beginOperation(operation))
    {
    }
    ~OperationRecord()
    {
        if (m_owned)
            m_link.endOperation();
    }
    OperationRecord(const OperationRecord&) = delete;
    OperationRecord& operator=(const OperationRecord&) = delete;

private:
    ProgrammerLink& m_link;
    bool m_owned;
};

// Shows the progress of `activity` from here to the end of the scope, unless
// another command's progress shows already (which then goes on).
class ProgrammerLink::ProgressShown
{
public:
    ProgressShown(ProgrammerLink& link, const char* activity) : m_link(link), m_owned(link.beginProgress(activity)) {}
    ~ProgressShown()
    {
        if (m_owned)
            m_link.endProgress();
    }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

    [[nodiscard]] bool owned() const { return m_owned; }

private:
    ProgrammerLink& m_link;
    bool m_owned;
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
{
    m_pollTimer.setInterval(2000);
    m_statusReplyTimer.setInterval(1000);
    m_rowPaceTimer.setInterval(800);
    m_rowPaceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &ProgrammerLink::pollTick);
    connect(&m_statusReplyTimer, &QTimer::timeout, this, &ProgrammerLink::statusReplyTick);
    connect(&m_rowPaceTimer, &QTimer::timeout, this, [this] { m_rowPaceTimer.stop(); });
    connect(&m_pacing, &PacingTimer::slept, this, [this] { showProgress(); });
}

ProgrammerLink::~ProgrammerLink()
{
    // Steps still waiting go without a word to the host or the recorder.
    m_closing = true;
    m_handshake.reset();
    m_command.reset();
}

// --- Commands as sequences of steps ---

void ProgrammerLink::run(LinkTask steps)
{
    if (busy())
        return;  // one command at a time: the buttons' idle guard keeps to it
    m_bound = m_host.bindActiveDocument();
    m_startedWithDocument = m_bound->document() != nullptr;
    m_commandRunning = true;
    m_app.deviceIdle = false;
    m_app.deviceCommandRunning = true;
    m_command.emplace(std::move(steps));
    m_command->start([this](bool ok) { commandEnded(ok); });
}

void ProgrammerLink::commandEnded(bool ok)
{
    m_commandRunning = false;
    m_bound.reset();
    if (m_closing)
        return;
    // The messages come from the event loop, outside every step.
    QTimer::singleShot(0, this, [this, ok] { showDeferred(ok); });
}

void ProgrammerLink::showDeferred(bool ok)
{
    while (!m_deferred.empty()) {
        Deferred next = std::move(m_deferred.front());
        m_deferred.pop_front();
        if (next.message) {
            // The rest once the operator has closed it.
            m_host.openMessage(*next.message, [link = QPointer<ProgrammerLink>(this), ok] {
                if (link)
                    link->showDeferred(ok);
            });
            return;
        }
        next.show();
    }
    m_command.reset();
    m_app.deviceCommandRunning = false;
    m_app.deviceIdle = true;
    if (std::exchange(m_statusRequestWaiting, false))
        QTimer::singleShot(0, this, &ProgrammerLink::requestStatus);
    emit commandFinished(ok);
}

void ProgrammerLink::showInOrder(std::function<void()> show)
{
    if (m_closing)
        return;
    if (m_commandRunning && !m_deferred.empty())
        m_deferred.push_back({std::nullopt, std::move(show)});
    else
        show();
}

void ProgrammerLink::restartPolling()
{
    showInOrder([this] { m_pollTimer.start(); });
}

void ProgrammerLink::showMessage(LinkMessage message)
{
    if (m_closing)
        return;
    if (m_commandRunning) {
        m_deferred.push_back({std::move(message), nullptr});
        return;
    }
    ++m_openMessages;
    m_host.openMessage(message, [link = QPointer<ProgrammerLink>(this)] {
        if (!link)
            return;
        --link->m_openMessages;
        emit link->messageClosed();
    });
}

void ProgrammerLink::showNote(std::string text)
{
    showInOrder([this, text = std::move(text)] { m_host.showNote(text); });
}

ProgrammerLink::PacingEnd ProgrammerLink::pace(int seconds)
{
    m_pacing.startPacing(seconds);
    return PacingEnd(&m_pacing, &PacingTimer::finished);
}

ProgrammerLink::PacingEnd ProgrammerLink::sleep(int milliseconds)
{
    m_pacing.startSleep(milliseconds);
    return PacingEnd(&m_pacing, &PacingTimer::finished);
}

SignalWait<QTimer, decltype(&QTimer::timeout)> ProgrammerLink::rowPause()
{
    m_rowPaceTimer.start();
    return SignalWait<QTimer, decltype(&QTimer::timeout)>(&m_rowPaceTimer, &QTimer::timeout);
}

SpdDocument* ProgrammerLink::document()
{
    if (!m_commandRunning)
        return m_host.activeDocument();
    return m_bound->document();
}

const char* ProgrammerLink::missingDocumentReason() const
{
    return m_commandRunning && m_startedWithDocument ? kDocumentClosed : kNoDocument;
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
    if (m_activity == nullptr || m_closing)
        return;
    std::string text = m_activity;
    if (!m_progressStep.empty())
        text += ": " + m_progressStep;
    text += ", " + std::to_string(m_activityTime.elapsed() / 1000) + " s";
    m_host.showProgress(text);
}

void ProgrammerLink::endProgress()
{
    if (std::exchange(m_activity, nullptr) != nullptr && !m_closing)
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
    // The time stops when the outcome is known, before its message waits for
    // the operator.
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
    if (!m_operation || m_closing)
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
    showMessage({text, title, true, {}});
    if (!m_reason.empty())
        showNote(std::exchange(m_reason, {}));
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
    showMessage({text, msg::kErrorTitle, true, std::move(details)});
    return false;
}

void ProgrammerLink::succeed(const char* text)
{
    endProgress();
    noteOperationOutcome();
    m_reason.clear();
    showNote({});
    showMessage({text, {}, false, {}});
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
    // A handshake still waiting gives way to this one.
    m_handshake.emplace(handshakeRequestSteps());
    m_handshake->start([](bool) {});
}

LinkTask ProgrammerLink::handshakeRequestSteps()
{
    m_handshakePacing.startPacing(1);
    co_await PacingEnd(&m_handshakePacing, &PacingTimer::finished);
    m_statusReplyTimer.start();
    co_return true;
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
        m_handshake.emplace(handshakeFailureSteps());
        m_handshake->start([](bool) {});
        return;
    }
    m_host.statusVersion(record->version);
    m_host.statusFlags(record->status);
    m_handshake.emplace(handshakeReplySteps());
    m_handshake->start([](bool) {});
}

LinkTask ProgrammerLink::handshakeFailureSteps()
{
    failWithCause(msg::kRs232Failed);
    if (m_openMessages > 0)
        co_await SignalWait(this, &ProgrammerLink::messageClosed);
    m_host.statusDone(m_app.operatorAuthorized);
    m_pollTimer.start();
    co_return true;
}

LinkTask ProgrammerLink::handshakeReplySteps()
{
    m_handshakePacing.startPacing(1);
    co_await PacingEnd(&m_handshakePacing, &PacingTimer::finished);
    m_host.statusAccess(m_app.operatorAuthorized);
    m_host.statusDone(m_app.operatorAuthorized);
    if (!busy())  // else the command starts it when it ends
        m_pollTimer.start();
    co_return true;
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

void ProgrammerLink::downloadToProgrammer() { run(downloadSteps()); }
void ProgrammerLink::checkDownload() { run(checkSteps()); }
void ProgrammerLink::compareWithProgrammer() { run(compareSteps()); }
void ProgrammerLink::downloadAndCheck() { run(downloadAndCheckSteps()); }
void ProgrammerLink::readModule() { run(readModuleSteps()); }
void ProgrammerLink::readProgrammer() { run(readProgrammerSteps()); }
void ProgrammerLink::eraseProgrammer() { run(eraseSteps()); }
void ProgrammerLink::setAutoSerial() { run(autoSerialSteps()); }
void ProgrammerLink::runTesterCommand(TesterCommand command) { run(testerSteps(command)); }
void ProgrammerLink::runModuleTest(int recordWaitMs) { run(moduleTestSteps(recordWaitMs)); }

LinkTask ProgrammerLink::downloadSteps()
{
    const OperationRecord recorded(*this, LinkOperation::Download);
    PollingPause pause(*this);
    const ProgressShown progress(*this, kDownloadActivity);
    SpdDocument* doc = document();
    if (doc == nullptr || !openPort()) {
        pause.stayPaused();  // whoever runs the download restarts the polling
        co_return doc == nullptr ? failWithCause(msg::kDownloadFailed, {kNoDocument})
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
            co_return failWithCause(msg::kDownloadFailed,
                                    doc == nullptr ? std::vector<std::string>{kDocumentClosed, "row " + rowText + " was not sent"}
                                                   : std::vector<std::string>{"row " + rowText + " was not sent"});
        }
        co_await rowPause();
    }
    m_line.close();
    pause.restartNow();
    m_rowPaceTimer.stop();
    co_return true;
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

LinkTask ProgrammerLink::compareWithDocument(const char* activity, int waitSeconds, const char* equalText,
                                             const char* differsText, const char* failureText)
{
    PollingPause pause(*this);
    const ProgressShown progress(*this, activity);
    if (!progress.owned())
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
        co_await pace(waitSeconds);
        const int count = readDump(dump);
        ok = count == kSpdSize;
        if (count >= 0 && !ok)  // the port and the characters were fine, the reply was short
            m_reason = m_replyLength == 0 ? std::string("no reply") : "short reply: " + m_reason;
    }
    SpdDocument* doc = document();
    if (!ok)
        co_return failWithCause(failureText);
    if (doc == nullptr)
        co_return failWithCause(failureText, {missingDocumentReason()});
    std::vector<std::string> differences = DifferingBytesLines(doc->image(), dump);
    if (!differences.empty()) {
        for (int i = 0; i < kSpdSize; ++i)
            if (dump[static_cast<std::size_t>(i)] != doc->byte(i))
                doc->setMark(i, Mark::Differs);
        co_return failWithCause(differsText, std::move(differences));
    }
    succeed(equalText);
    co_return true;
}

LinkTask ProgrammerLink::checkSteps()
{
    const OperationRecord recorded(*this, LinkOperation::Check);
    co_return co_await compareWithDocument(kDownloadActivity, 2, msg::kCopyCheckSucceeded, msg::kCopyCheckDiffers,
                                           msg::kCopyCheckFailed);
}

LinkTask ProgrammerLink::compareSteps()
{
    const OperationRecord recorded(*this, LinkOperation::Compare);
    co_return co_await compareWithDocument("PC 與 SPD 機器比對", 4, msg::kCompareEqual, msg::kCompareDiffers,
                                           msg::kCompareDiffers);
}

LinkTask ProgrammerLink::downloadAndCheckSteps()
{
    // One progress from the first row to the end of the check, and one
    // message: a download that failed is not checked as well.
    const OperationRecord recorded(*this, LinkOperation::Download);
    const ProgressShown progress(*this, kDownloadActivity);
    if (!co_await downloadSteps()) {
        restartPolling();
        co_return false;
    }
    co_return co_await checkSteps();
}

LinkTask ProgrammerLink::readIntoDocument(const char* letter, SpdImage& image)
{
    if (!openPort() || !write(CommandFrame(letter)))
        co_return false;
    co_await pace(2);
    const int count = readDump(image);
    co_return count >= 0 && storeDump(image, count);
}

bool ProgrammerLink::readSucceeded(const char* text, const SpdImage& image)
{
    succeed(text);
    // The image stays as read; a mismatch is only pointed out.
    showNote(CheckBytesMismatch(image));
    return true;
}

LinkTask ProgrammerLink::readModuleSteps()
{
    const OperationRecord recorded(*this, LinkOperation::ReadModule);
    PollingPause pause(*this);
    const ProgressShown progress(*this, "電腦讀取模組 SPD");
    SpdImage image{};
    if (!co_await readIntoDocument("k", image))
        co_return fail(msg::kReadModuleFailed);
    pause.restartNow();
    co_return readSucceeded(msg::kReadModuleOk, image);
}

LinkTask ProgrammerLink::readProgrammerSteps()
{
    const OperationRecord recorded(*this, LinkOperation::ReadProgrammer);
    PollingPause pause(*this);
    const ProgressShown progress(*this, "電腦讀取機器 SPD");
    SpdImage image{};
    bool ok = co_await readIntoDocument("l", image);
    std::optional<bool> numbering;
    if (ok) {
        ok = openPort() && write(SerialNumberingQueryFrame());
        if (ok) {
            co_await pace(2);
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
        co_return fail(msg::kReadProgrammerFailed);
    // Setting the box runs its click action, which tells the programmer the
    // box's new state.
    if (m_bound->setAutoNumbering(*numbering))
        co_await autoSerialSteps();
    pause.restartNow();
    co_return readSucceeded(msg::kReadProgrammerOk, image);
}

LinkTask ProgrammerLink::eraseSteps()
{
    const OperationRecord recorded(*this, LinkOperation::Erase);
    PollingPause pause(*this);
    const ProgressShown progress(*this, "SPD燒錄機清除");
    bool ok = openPort() && write(CommandFrame("e"));
    if (ok) {
        m_line.close();
        co_await pace(2);
        ok = openPort();
    }
    if (!ok)
        co_return fail(msg::kEraseFailed);
    succeed(msg::kEraseOk);
    co_return true;
}

LinkTask ProgrammerLink::autoSerialSteps()
{
    const OperationRecord recorded(*this, LinkOperation::AutoSerial);
    PollingPause pause(*this);
    m_statusReplyTimer.stop();  // a pending status reply is dropped
    const bool on = m_bound->autoNumbering();
    if (!openPort() || !write(CommandFrame(on ? "a" : "A")))
        co_return fail(msg::kAutoSerialFailed);
    m_line.close();
    co_await pace(1);
    co_return true;
}

// --- Module-tester commands ---

LinkTask ProgrammerLink::testerSteps(TesterCommand command)
{
    const TesterCommandInfo& info = TesterCommandInfoFor(command);
    const OperationRecord recorded(*this, OperationOfTester(command));
    PollingPause pause(*this);
    const ProgressShown progress(*this, "測試機執行中");
    bool ok = openPort() && write(CommandFrame(std::string(1, info.letter)));
    if (ok) {
        if (info.closesPort)
            m_line.close();
        co_await pace(info.waitSeconds);
        if (info.closesPort)
            ok = openPort();
    }
    if (!ok)
        co_return fail(info.failureText, info.failureTitle);
    co_return true;
}

LinkTask ProgrammerLink::moduleTestSteps(int recordWaitMs)
{
    const OperationRecord recorded(*this, LinkOperation::TesterTest);
    // The link's clock, which tests replace, else the monotonic one.
    const std::int64_t commandTime = m_pacing.elapsed();
    if (!co_await testerSteps(TesterCommand::Test))
        co_return false;
    PollingPause pause(*this);  // the record is read here, not by a polling tick
    std::string text;
    TestRecordReading record;
    for (;;) {
        std::string more;
        if (!openPort() || !read(more))
            co_return failWithCause(msg::kTestFailed);
        text += more;
        record = ReadTestRecord(text);
        // A record whose characters are still coming in gets a second more.
        const std::int64_t limit = record.isRecord ? recordWaitMs + 1000 : recordWaitMs;
        if (record.pinsComplete || m_pacing.elapsed() - commandTime >= limit)
            break;
        co_await sleep(50);
    }
    if (!record.hasResult) {
        const std::string seconds = std::to_string((recordWaitMs + 999) / 1000);
        co_return failWithCause(msg::kTestFailed, {record.isRecord ? "the test record was cut short"
                                                                   : "no test record came within " + seconds +
                                                                         " s of the test command"});
    }
    if (m_operation)
        FillTestReport(*m_operation, record);
    m_host.testResultStarted();
    showTestRecord(record);
    co_return true;
}

}  // namespace tessaro
