#pragma once

#include "device/linkrecorder.h"
#include "device/linktask.h"
#include "device/operatormessages.h"
#include "device/protocol.h"
#include "device/pacingwait.h"
#include "document/appvalues.h"

#include <QObject>
#include <QTimer>

#include <QElapsedTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

class SerialLine;

inline constexpr const char* kDownloadActivity = "SPD 下傳";
class SpdDocument;

// A message box of the link: failures carry a title and the critical-error
// icon; successes have neither. `details` are further lines of the same box
// under the message: the cause of a failure and the port.
struct LinkMessage {
    std::string text;
    std::string title;
    bool failure = false;
    std::vector<std::string> details;
};

// The document a programmer command started on. It stays the command's
// document whatever window becomes active meanwhile; document() is nullptr
// once that document's window has closed.
class BoundDocument
{
public:
    virtual ~BoundDocument() = default;
    [[nodiscard]] virtual SpdDocument* document() = 0;
    // Runs `change`, which writes a read's bytes into the document, as one
    // step the operator can take back (its window records it). Not called
    // once the document is gone.
    virtual void change(const std::function<void()>& change) { change(); }
    // The "自動產生序號" (automatic serial numbers) box of the document's
    // window, as LinkHost::autoNumbering and setAutoNumbering; off, and never
    // set, once the window closed.
    [[nodiscard]] virtual bool autoNumbering() = 0;
    virtual bool setAutoNumbering(bool on) = 0;
};

// What the link changes outside itself: the active document window and the
// main window's menus (or, on the command line, the console).
class LinkHost
{
public:
    virtual ~LinkHost() = default;

    // The document of the active document window; nullptr when none is open.
    virtual SpdDocument* activeDocument() = 0;
    // The active document, bound for a command that starts now. The default
    // binds activeDocument() as it is, for hosts whose documents outlive
    // every command (the console, tests).
    virtual std::unique_ptr<BoundDocument> bindActiveDocument();
    virtual void showMessage(const LinkMessage& message) = 0;
    // Shows `message` without waiting for the operator: `closed` runs once
    // it has been closed. The default shows it and runs `closed` at once, for
    // hosts whose messages need no answer (the console, tests).
    virtual void openMessage(const LinkMessage& message, std::function<void()> closed)
    {
        showMessage(message);
        closed();
    }
    // A one-line note beside the messages: after a failure the port's or the
    // reply's own reason ("port /dev/ttyS0: No such file or directory"); after
    // a read that passed, a check-byte mismatch of the image read. An empty
    // text clears the note (a success).
    virtual void showNote(const std::string& text) = 0;
    // The progress of a long command ("SPD 下傳: 第 3 / 16 列, 2 s"), renewed
    // as it goes on; an empty text when the command ends.
    virtual void showProgress(const std::string& text) { (void)text; }

    // The status reply: missing (hide the entry boxes and programmer frames,
    // disable saving), or its version and status byte, then the access that
    // the operator's authorisation gives, then the password menu entry.
    virtual void statusMissing() = 0;
    virtual void statusVersion(const std::string& version) = 0;
    virtual void statusFlags(std::uint8_t status) = 0;
    virtual void statusAccess(bool authorized) = 0;
    virtual void statusDone(bool authorized) = 0;

    // A test record, step by step: the result label turns red, gets its text
    // (green for "PASS"), the counters, then the pin marks (unmarked pins
    // grey only when the whole record was read).
    virtual void testResultStarted() = 0;
    virtual void testResultText(const std::string& text, bool pass) = 0;
    virtual void testCounts(int passed, int failed) = 0;
    virtual void testPins(const std::array<PinMark, kModuleSignalCount>& marks, bool complete) = 0;

    // The "自動產生序號" (automatic serial numbers) box of the active document
    // window. Setting it returns whether its value changed; it never runs the
    // box's click action.
    virtual bool autoNumbering() = 0;
    virtual bool setAutoNumbering(bool on) = 0;
};

// The programmer link: the serial line, its three timers (the test-result
// polling every 2 s, the status reply 1 s after the status request, the 800 ms
// pause between download rows), the connect handshake and every programmer
// and module-tester command. One per application.
//
// A command is a sequence of steps (a LinkTask) that goes back to the event
// loop at every wait and goes on when its timer fires: no step runs an event
// loop of its own. Its messages are shown once it has ended, in their order,
// each before the polling restarts that came after it; then commandFinished()
// tells its outcome.
class ProgrammerLink : public QObject
{
    Q_OBJECT
public:
    ProgrammerLink(AppValues& app, SerialLine& line, LinkHost& host, QObject* parent = nullptr);
    ~ProgrammerLink() override;

    void setPacingClock(PacingClock clock) { m_pacing.setClock(std::move(clock)); m_handshakePacing.setClock(m_pacing.clock()); }
    // The recorder told of every finished operation (the production log);
    // nullptr for none. Not owned.
    void setRecorder(LinkRecorder* recorder) { m_recorder = recorder; }
    [[nodiscard]] SerialLine& line() { return m_line; }
    [[nodiscard]] QTimer& pollTimer() { return m_pollTimer; }
    [[nodiscard]] QTimer& statusReplyTimer() { return m_statusReplyTimer; }
    [[nodiscard]] QTimer& rowPaceTimer() { return m_rowPaceTimer; }
    // A programmer or tester command runs, from its start until its messages
    // have been shown: it is bound to the document it started on until it
    // ends. A status request meanwhile waits for its end; another command is
    // not started.
    [[nodiscard]] bool busy() const { return m_command.has_value(); }
    // The connect handshake waits between its status request and its reply,
    // or between the status and the access it shows.
    [[nodiscard]] bool handshaking() const { return m_handshake && !m_handshake->finished(); }

    // "Open the port if it is closed"; false when it cannot be opened.
    bool openPort();
    void closePort();
    // Closes the port and sets its number (the settings dialog, the start-up).
    void changePort(int number);

    // --- Connect handshake ---
    void requestStatus();
    // A new document window's request: a pending status reply is dropped first.
    void requestStatusForNewWindow();
    void statusReplyTick();  // the status reply timer's timeout
    void pollTick();         // the polling timer's timeout

    // --- SPD transfers. Each starts, unless a command runs already, and ends
    // with commandFinished(): false when it showed its failure. ---
    void downloadToProgrammer();
    void checkDownload();
    void readProgrammer();
    void readModule();
    void compareWithProgrammer();
    void eraseProgrammer();
    void setAutoSerial();
    // The download button: downloadToProgrammer, then checkDownload (which reports the outcome).
    void downloadAndCheck();

    // --- Module-tester commands ---
    void runTesterCommand(TesterCommand command);
    // The module test with its record: the test command, then the record,
    // awaited until `recordWaitMs` after the command (a record still coming
    // in then gets a second more), shown as the polling shows one and kept in
    // the test's own log record. False, with the failure shown, when the
    // command failed or no record came in time; a record that comes later is
    // left for the polling.
    void runModuleTest(int recordWaitMs);

signals:
    // Every text written to the port (frames of commands and rows).
    void written(const QByteArray& bytes);
    // A command ended and its messages have been shown and closed.
    void commandFinished(bool ok);
    // A message shown outside a command has been closed.
    void messageClosed();

private:
    class PollingPause;
    class OperationRecord;
    class ProgressShown;
    // Starts `steps` as the running command, bound to the active document.
    void run(LinkTask steps);
    // The command's last step: it is over; its messages follow from the event loop.
    void commandEnded(bool ok);
    // Shows the running command's messages one after the other, each once
    // the one before has been closed, with what came after each; then the
    // command is over.
    void showDeferred(bool ok);
    // Does `show` now, or after the messages the running command has shown so far.
    void showInOrder(std::function<void()> show);
    void restartPolling();

    // The steps of each command (the public commands run them alone).
    LinkTask downloadSteps();
    LinkTask checkSteps();
    LinkTask compareSteps();
    LinkTask readProgrammerSteps();
    LinkTask readModuleSteps();
    // The end of a read that stored `image`: `text` and the note of check
    // bytes that do not match the image.
    bool readSucceeded(const char* text, const SpdImage& image);
    LinkTask eraseSteps();
    LinkTask autoSerialSteps();
    LinkTask downloadAndCheckSteps();
    LinkTask testerSteps(TesterCommand command);
    LinkTask moduleTestSteps(int recordWaitMs);
    LinkTask handshakeRequestSteps();
    LinkTask handshakeReplySteps();
    LinkTask handshakeFailureSteps();

    // The document of the running command (nullptr once its window closed);
    // with no command running, the active one.
    SpdDocument* document();
    // Why document() is nullptr: its window closed, or none was open.
    [[nodiscard]] const char* missingDocumentReason() const;
    bool write(const std::string& bytes);
    bool read(std::string& text);
    void noteLineFailure();
    // The pacing wait of `seconds` after a write, and a plain wait; the
    // progress moves on with every second of the pacing wait.
    using PacingEnd = SignalWait<PacingTimer, decltype(&PacingTimer::finished)>;
    PacingEnd pace(int seconds);
    PacingEnd sleep(int milliseconds);
    // The 800 ms pause after a download row.
    SignalWait<QTimer, decltype(&QTimer::timeout)> rowPause();
    bool fail(const char* text, const char* title = msg::kErrorTitle);
    // Shows a test record's result, counts it and shows its pins; false when
    // the record stopped short (its pins incomplete, or the counter full).
    bool showTestRecord(const TestRecordReading& record);
    // A failure shown as one message: the text, then `details`, the reason the
    // line or the reply gave, and the port when no line names it yet.
    bool failWithCause(const char* text, std::vector<std::string> details = {});
    void showMessage(LinkMessage message);
    void showNote(std::string text);
    // The progress of the running command: `activity` and the seconds since it
    // began, and the row text when a download sends rows.
    // False when another command's progress shows already (the check after a
    // download); that command ends it.
    bool beginProgress(const char* activity);
    void setProgressStep(std::string step);
    void showProgress();
    void endProgress();
    void succeed(const char* text);
    // The operation being recorded: false when one runs already (the check
    // of a download, the serial-numbering switch of a read), which then
    // belongs to it. endOperation tells the recorder.
    bool beginOperation(LinkOperation operation);
    void endOperation();
    // Stops the operation's clock and, for a read that passed, takes the image read.
    void noteOperationOutcome();
    void recordFailure(const std::string& text, const std::vector<std::string>& details);
    // Reads the SPD dump that has arrived; returns the number of bytes carried
    // in full, -1 when the port failed or the reply is line noise (a character
    // that is no hexadecimal digit).
    int readDump(std::array<std::uint8_t, kSpdSize>& bytes);
    bool storeDump(const std::array<std::uint8_t, kSpdSize>& bytes, int count);
    // Writes the read command `letter`, waits two seconds and stores the dump
    // into the bound document; false when the port failed or the dump was
    // short or noise (noise stores nothing). `image` receives the bytes read.
    LinkTask readIntoDocument(const char* letter, SpdImage& image);
    LinkTask compareWithDocument(const char* activity, int waitSeconds, const char* equalText, const char* differsText,
                                 const char* failureText);

    AppValues& m_app;
    SerialLine& m_line;
    LinkHost& m_host;
    PacingTimer m_pacing;           // the waits of commands
    PacingTimer m_handshakePacing;  // the waits of the connect handshake
    QTimer m_pollTimer;
    QTimer m_statusReplyTimer;
    QTimer m_rowPaceTimer;
    std::string m_reason;  // why the last step failed, for the note after the failure message
    std::size_t m_replyLength = 0;  // characters in the last dump reply
    const char* m_activity = nullptr;  // the command whose progress shows
    std::string m_progressStep;        // its step: the row a download sends
    QElapsedTimer m_activityTime;
    LinkRecorder* m_recorder = nullptr;
    std::optional<LinkOperationReport> m_operation;  // the operation being recorded
    QElapsedTimer m_operationTime;
    bool m_operationOutcomeNoted = false;
    std::optional<LinkTask> m_command;       // the running command, until its messages are shown
    bool m_commandRunning = false;           // its steps have not ended yet
    std::unique_ptr<BoundDocument> m_bound;  // its document
    bool m_startedWithDocument = false;      // it bound an open document
    bool m_statusRequestWaiting = false;     // a status request came while a command ran
    // The running command's messages, and what came after each.
    struct Deferred {
        std::optional<LinkMessage> message;
        std::function<void()> show;
    };
    std::deque<Deferred> m_deferred;
    int m_openMessages = 0;                  // messages outside commands not closed yet
    std::optional<LinkTask> m_handshake;     // the handshake's waiting steps
    bool m_closing = false;                  // the link goes: steps that end tell no one
};

}  // namespace tessaro
