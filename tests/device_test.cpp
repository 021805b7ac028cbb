// The programmer protocol, the pacing wait and the link's commands against a
// serial line without hardware.
#include "core/checks.h"
#include "core/hex.h"
#include "device/operatormessages.h"
#include "device/programmerlink.h"
#include "device/protocol.h"
#include "document/spddocument.h"
#include "fakeline.h"
#include "testsupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cctype>
#include <random>

using namespace tessaro;
using test::FakeClock;
using test::FakeLine;
using test::Finish;
using test::StatusReply;
using test::TestRecordText;

namespace {

// Counts how deep the deliveries of timers and queued calls nest: one
// delivered while another is being handled came from an event loop that the
// handler ran.
class NestingProbe final : public QCoreApplication
{
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (event->type() != QEvent::Timer && event->type() != QEvent::MetaCall)
            return QCoreApplication::notify(receiver, event);
        deepest = std::max(deepest, ++depth);
        const bool handled = QCoreApplication::notify(receiver, event);
        --depth;
        return handled;
    }
    int depth = 0;
    int deepest = 0;
};

std::string Dump(const SpdImage& image, std::size_t length = kSpdDumpLength)
{
    return HexString(image).substr(0, length);
}

class RecordingHost final : public LinkHost
{
public:
    explicit RecordingHost(DecodeContext& context) : document(context, "SPD_File 1") { document.open(); }

    SpdDocument* activeDocument() override { return hasDocument ? &document : nullptr; }
    void showMessage(const LinkMessage& message) override
    {
        messages.push_back(message);
        order.push_back("message");
        pollingAtMessage.push_back(polling != nullptr && polling->isActive());
    }
    void showNote(const std::string& text) override { notes.push_back(text); }
    void showProgress(const std::string& text) override
    {
        progress.push_back(text);
        order.push_back(text.empty() ? "progress end" : "progress");
    }
    void statusMissing() override { calls.push_back("missing"); }
    void statusVersion(const std::string& version) override { calls.push_back("version " + version); }
    void statusFlags(std::uint8_t status) override { calls.push_back("flags " + ByteToHex(status)); }
    void statusAccess(bool authorized) override { calls.push_back(authorized ? "access on" : "access off"); }
    void statusDone(bool authorized) override { calls.push_back(authorized ? "done on" : "done off"); }
    void testResultStarted() override { calls.push_back("red"); }
    void testResultText(const std::string& text, bool pass) override
    {
        calls.push_back(text + (pass ? " green" : ""));
    }
    void testCounts(int passed, int failed) override
    {
        calls.push_back("counts " + std::to_string(passed) + "/" + std::to_string(failed));
    }
    void testPins(const std::array<PinMark, kModuleSignalCount>& marks, bool complete) override
    {
        pins = marks;
        calls.push_back(complete ? "pins" : "pins partial");
    }
    bool autoNumbering() override { return check1; }
    bool setAutoNumbering(bool on) override { return std::exchange(check1, on) != on; }

    SpdDocument document;
    bool hasDocument = true;
    bool check1 = false;
    std::vector<LinkMessage> messages;
    const QTimer* polling = nullptr;      // the link's result polling, when watched
    std::vector<bool> pollingAtMessage;   // whether it ran as each message was shown
    std::vector<std::string> notes;
    std::vector<std::string> progress;    // every progress text, "" when a command ended
    std::vector<std::string> calls;
    std::vector<std::string> order;       // progress and messages as they came
    std::array<PinMark, kModuleSignalCount> pins{};
};

class Link : public ::testing::Test
{
protected:
    Link()
        : host(app.decode)
        , link(app, line, host)
    {
        link.setPacingClock(clock.clock());
        link.rowPaceTimer().setInterval(1);
        app.operatorAuthorized = true;
    }

    [[nodiscard]] std::string lastMessage() const { return host.messages.empty() ? "" : host.messages.back().text; }

    AppValues app;
    FakeLine line;
    FakeClock clock;
    RecordingHost host;
    ProgrammerLink link;
};

}  // namespace

TEST(Protocol, FramesAndDownloadRows)
{
    EXPECT_EQ(CommandFrame("x"), std::string("x\x10\x7F"));
    EXPECT_EQ(CommandFrame("o"), std::string("\x6F\x10\x7F"));
    EXPECT_EQ(SerialNumberingQueryFrame(), std::string("s\x7F"));
    SpdImage image = test::CountingImage();
    image[0] = 0x80;
    image[1] = 0x08;
    EXPECT_EQ(DownloadRowText(image, 0), "w0800802030405060708090A0B0C0D0E0F");
    const std::string last = DownloadRowText(image, 15);
    EXPECT_EQ(last.substr(0, 2), "w?");
    EXPECT_EQ(last.size(), 34u);
    EXPECT_EQ(DownloadRowText(image, 10).substr(0, 2), "w:");
}

TEST(Protocol, StatusRecord)
{
    const auto record = ReadStatusRecord(StatusReply("11", "A4"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->version, "11");
    EXPECT_EQ(record->status, 0xA4);
    // A4h: bits 2, 5 and 7 clear boxes 6, 8 and 10; the others are ticked.
    std::map<int, bool> ticked;
    for (const TestFlag& flag : TestFlags())
        ticked[flag.checkBox] = TestFlagTicked(record->status, flag.statusBit);
    EXPECT_EQ(ticked, (std::map<int, bool>{{4, true}, {5, true}, {6, false}, {7, true}, {8, false}, {10, false}}));

    EXPECT_FALSE(ReadStatusRecord(""));
    EXPECT_FALSE(ReadStatusRecord("55AB" + StatusReply("11", "A4").substr(4)));
    EXPECT_FALSE(ReadStatusRecord("55AA00001100"));  // the header but no status byte
    EXPECT_TRUE(ReadStatusRecord(StatusReply("11", "A4").substr(0, 18)));
}

TEST(Protocol, TestRecords)
{
    EXPECT_STREQ(TestResultText(0x12), "SPD FAIL");     // bit 1 before bit 4
    EXPECT_STREQ(TestResultText(0x14), "SHORT FAIL");   // bit 4 before bit 2
    EXPECT_STREQ(TestResultText(0x04), "OPEN FAIL");
    EXPECT_STREQ(TestResultText(0x03), "POWER FAIL");
    EXPECT_STREQ(TestResultText(0xE8), "PASS");          // bits 3, 5, 6, 7 only

    TestRecordReading r = ReadTestRecord(TestRecordText(0x00, {0, 1, 143}, {0, 70}));
    ASSERT_TRUE(r.isRecord && r.hasResult && r.pinsComplete);
    EXPECT_EQ(r.pins[0], PinMark::Fail);   // in both bitmaps: red
    EXPECT_EQ(r.pins[1], PinMark::Pass);
    EXPECT_EQ(r.pins[143], PinMark::Pass);
    EXPECT_EQ(r.pins[70], PinMark::Fail);
    EXPECT_EQ(r.pins[2], PinMark::None);

    // A bit above signal 143 ends the reading; what was read stays.
    std::string beyond = TestRecordText(0x00, {5}, {});
    beyond.replace(2 * 82, 2, "01");  // pass bitmap byte 19, bit 0: signal 144
    r = ReadTestRecord(beyond);
    EXPECT_TRUE(r.hasResult);
    EXPECT_FALSE(r.pinsComplete);
    EXPECT_EQ(r.pins[5], PinMark::Pass);

    // Characters that are not hex digits: in the result nothing is read, in a
    // bitmap the reading stops there.
    std::string garbled = TestRecordText(0x00, {1}, {2});
    garbled[97] = 'G';
    EXPECT_FALSE(ReadTestRecord(garbled).hasResult);
    garbled = TestRecordText(0x00, {1}, {2});
    garbled[2 * 96] = 'Z';
    r = ReadTestRecord(garbled);
    EXPECT_TRUE(r.hasResult);
    EXPECT_FALSE(r.pinsComplete);
    EXPECT_EQ(r.pins[1], PinMark::Pass);
    EXPECT_EQ(r.pins[2], PinMark::None);

    // Short records.
    EXPECT_FALSE(ReadTestRecord("55AA").hasResult);
    r = ReadTestRecord(TestRecordText(0x02, {}, {}).substr(0, 100));
    EXPECT_TRUE(r.hasResult);
    EXPECT_FALSE(r.pinsComplete);
    EXPECT_FALSE(ReadTestRecord("AA55" + TestRecordText(0, {}, {}).substr(4)).isRecord);
}

TEST(Protocol, DumpsAndSerialNumbering)
{
    const SpdImage image = test::CountingImage();
    std::array<std::uint8_t, kSpdSize> bytes{};
    EXPECT_EQ(ReadSpdDump(Dump(image), bytes), kSpdSize);
    EXPECT_EQ(bytes, image);
    bytes.fill(0xEE);
    EXPECT_EQ(ReadSpdDump(Dump(image, 301), bytes), 150);
    EXPECT_EQ(bytes[149], 149);
    EXPECT_EQ(bytes[150], 0xEE);
    EXPECT_EQ(ReadSpdDump("", bytes), 0);

    EXPECT_EQ(ReadSerialNumbering("5500"), false);
    EXPECT_EQ(ReadSerialNumbering("5501"), true);
    EXPECT_EQ(ReadSerialNumbering("55AA0000"), true);   // characters 3-4 "AA"
    EXPECT_EQ(ReadSerialNumbering("550"), std::nullopt);
}

TEST(Protocol, TesterCommandsAndSwitches)
{
    std::string letters;
    for (const TesterCommandInfo& info : TesterCommands()) {
        letters += info.letter;
        EXPECT_EQ(&TesterCommandInfoFor(info.command), &info);
    }
    EXPECT_EQ(letters, "xXoOsSdDyYbBnrcvp");
    EXPECT_EQ(TesterCommandInfoFor(TesterCommand::Read).waitSeconds, 3);
    EXPECT_EQ(TesterCommandInfoFor(TesterCommand::Copy).waitSeconds, 4);
    EXPECT_FALSE(TesterCommandInfoFor(TesterCommand::Test).closesPort);
    EXPECT_STREQ(TesterCommandInfoFor(TesterCommand::Verify).failureTitle, "ERROR");

    for (const TestFlag& flag : TestFlags()) {
        EXPECT_EQ(TesterCommandInfoFor(SwitchCommandFor(flag.checkBox, true)).letter, flag.enableLetter);
        EXPECT_EQ(TesterCommandInfoFor(SwitchCommandFor(flag.checkBox, false)).letter, flag.disableLetter);
    }
}

TEST(PacingWaitClock, EndsOnTheTargetSecondAcrossTheMinute)
{
    FakeClock fake;
    fake.time = QTime(10, 0, 59, 300);
    PacingWait(1, fake.clock());
    EXPECT_EQ(fake.time.second(), 0);
    EXPECT_LT(fake.time.msec(), 20);
    EXPECT_EQ(fake.sleeps, 1);

    fake.time = QTime(10, 0, 20, 999);
    PacingWait(4, fake.clock());
    EXPECT_EQ(fake.time.second(), 24);
    EXPECT_EQ(fake.sleeps, 1 + 4);
}

TEST(PacingWaitClock, StallsAndClockStepsCostAtMostOneSecond)
{
    // A stop of three seconds during the first sleep of a two-second wait: the
    // target second has gone by, and without a deadline the wait would run
    // until it comes round again a minute later.
    FakeClock stalled;
    stalled.time = QTime(10, 0, 20, 400);
    stalled.afterSleep = [](FakeClock& c) {
        if (c.sleeps == 1) {
            c.time = c.time.addMSecs(3000);
            c.monotonic += 3000;
        }
    };
    PacingWait(2, stalled.clock());
    EXPECT_LE(stalled.monotonic, 3000 + 1000 + 602);  // the stall, plus at most the N + 1 s deadline
    EXPECT_EQ(stalled.sleeps, 1);

    // The time of day steps back 30 s, or forward past the target: the
    // monotonic deadline of N + 1 seconds ends the wait.
    for (const int step : {-30000, 5000}) {
        FakeClock stepped;
        stepped.time = QTime(10, 0, 20, 0);
        stepped.afterSleep = [step](FakeClock& c) {
            if (c.sleeps == 1)
                c.time = c.time.addMSecs(step);
        };
        PacingWait(2, stepped.clock());
        EXPECT_LE(stepped.monotonic, 3000) << step;
        EXPECT_GE(stepped.monotonic, 2000) << step;
    }

    // A running clock still ends on the second boundary, not at the deadline.
    FakeClock steady;
    steady.time = QTime(10, 0, 20, 700);
    PacingWait(2, steady.clock());
    EXPECT_EQ(steady.time.second(), 22);
    EXPECT_LT(steady.monotonic, 2000);
}

TEST_F(Link, HandshakeWithAndWithoutReply)
{
    line.respond = [](const std::string& w) { return w == CommandFrame("q") ? StatusReply("11", "A4") : ""; };
    link.pollTimer().start();
    link.requestStatus();
    EXPECT_EQ(line.writes, std::vector<std::string>{CommandFrame("q")});
    EXPECT_FALSE(link.pollTimer().isActive());
    test::RunEventsUntil([&] { return link.statusReplyTimer().isActive(); });  // after the pacing wait
    link.statusReplyTick();
    test::RunEventsUntil([&] { return !link.handshaking(); });  // the access a second after the status
    EXPECT_EQ(host.calls, (std::vector<std::string>{"version 11", "flags A4", "access on", "done on"}));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(link.pollTimer().isActive());
    EXPECT_FALSE(link.statusReplyTimer().isActive());

    // No programmer: the RS-232 message after the missing reply.
    host.calls.clear();
    app.operatorAuthorized = false;
    line.respond = nullptr;
    link.requestStatus();
    test::RunEventsUntil([&] { return link.statusReplyTimer().isActive(); });
    link.statusReplyTick();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"missing", "done off"}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, msg::kRs232Failed);
    EXPECT_EQ(host.messages[0].details, std::vector<std::string>{"port 1: no reply to the status request"});
    EXPECT_EQ(host.messages[0].title, msg::kErrorTitle);
    EXPECT_TRUE(host.messages[0].failure);

    // A port that does not open: the status cannot be read, no reply awaited.
    host.messages.clear();
    line.close();
    line.openWorks = false;
    link.pollTimer().start();
    link.requestStatus();
    EXPECT_EQ(lastMessage(), msg::kStatusUnreadable);
    EXPECT_FALSE(link.statusReplyTimer().isActive());
    EXPECT_FALSE(link.pollTimer().isActive());
}

TEST_F(Link, PollingShowsRecordsCountsAndPins)
{
    ASSERT_TRUE(link.openPort());
    line.received = TestRecordText(0x12, {1, 2}, {2});
    link.pollTick();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"red", "SPD FAIL", "counts 0/1", "pins"}));
    EXPECT_EQ(host.pins[1], PinMark::Pass);
    EXPECT_EQ(host.pins[2], PinMark::Fail);
    EXPECT_TRUE(link.pollTimer().isActive());

    host.calls.clear();
    line.received = TestRecordText(0x00, {}, {});
    link.pollTick();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"red", "PASS green", "counts 1/1", "pins"}));

    // Garbage, no record: nothing shown; a record without a document: consumed.
    host.calls.clear();
    line.received = "\x01\xFFgarbage";
    link.pollTick();
    host.hasDocument = false;
    line.received = TestRecordText(0x00, {}, {});
    link.pollTick();
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(line.received.empty());
    EXPECT_EQ(app.testPassCount, 1);

    // A counter at its maximum ends the tick before the counters and pins.
    host.hasDocument = true;
    app.testFailCount = INT16_MAX;
    line.received = TestRecordText(0x01, {}, {3});
    link.pollTick();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"red", "POWER FAIL"}));
    EXPECT_EQ(app.testFailCount, INT16_MAX);

    // A closed port that cannot be opened: the tick ends silently.
    host.calls.clear();
    line.close();
    line.openWorks = false;
    link.pollTick();
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Link, DownloadWritesSixteenPacedRowsThenChecks)
{
    SpdImage image = test::CountingImage();
    image[0] = 0x80;
    image[1] = 0x08;
    host.document.load(image);
    SpdImage stored{};
    line.respond = [&](const std::string& w) -> std::string {
        if (w[0] == 'w') {
            std::array<std::uint8_t, kSpdSize> bytes{};
            const int row = w[1] - '0';
            ReadSpdDump(std::string(w.substr(2, 32)), bytes);
            std::copy_n(bytes.begin(), 16, stored.begin() + 16 * row);
        }
        return w == CommandFrame("l") ? Dump(stored) : "";
    };
    EXPECT_TRUE(Finish(link, [&] { link.downloadAndCheck(); }));
    ASSERT_EQ(line.writes.size(), 17u);
    EXPECT_EQ(line.writes[0], CommandFrame(DownloadRowText(image, 0)));
    EXPECT_EQ(line.writes[15].substr(0, 2), "w?");
    EXPECT_EQ(line.writes[16], CommandFrame("l"));
    EXPECT_EQ(stored, image);
    EXPECT_EQ(lastMessage(), msg::kCopyCheckSucceeded);
    EXPECT_FALSE(host.messages.back().failure);
    EXPECT_TRUE(host.messages.back().title.empty());
    EXPECT_GE(line.closes, 1);  // closed after the rows
    EXPECT_TRUE(link.pollTimer().isActive());

    // One byte differs: the check reports the failed download.
    stored[77] ^= 1;
    line.respond = [&](const std::string& w) { return w == CommandFrame("l") ? Dump(stored) : ""; };
    EXPECT_FALSE(Finish(link, [&] { link.checkDownload(); }));
    EXPECT_EQ(lastMessage(), msg::kCopyCheckDiffers);
    EXPECT_EQ(host.messages.back().title, msg::kErrorTitle);
}

TEST_F(Link, AFailedDownloadIsOneMessageWithItsCauseAndPort)
{
    // The port does not open: no check follows, the polling runs again.
    line.openWorks = false;
    EXPECT_FALSE(Finish(link, [&] { link.downloadAndCheck(); }));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, msg::kDownloadFailed);
    EXPECT_EQ(host.messages[0].details, (std::vector<std::string>{"fake line failure", "port 1"}));
    EXPECT_TRUE(host.notes.empty());  // the cause is in the message, not after it
    EXPECT_TRUE(link.pollTimer().isActive());

    // The line fails while row 6 leaves.
    host.messages.clear();
    line.openWorks = true;
    line.respond = [&](const std::string&) {
        line.writeWorks = line.writes.size() < 5;
        return std::string();
    };
    EXPECT_FALSE(Finish(link, [&] { link.downloadAndCheck(); }));
    EXPECT_EQ(line.writes.size(), 5u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].details,
              (std::vector<std::string>{"row 6 / 16 was not sent", "fake line failure", "port 1"}));

    // The rows left, the check's reply did not come, came short, or differs.
    line.writeWorks = true;
    SpdImage stored{};
    std::string reply;
    line.respond = [&](const std::string& w) { return w == CommandFrame("l") ? reply : std::string(); };
    host.document.load(test::CountingImage());
    for (const auto& [answer, cause] : {std::pair{std::string(), std::string("no reply")},
                                        {Dump(test::CountingImage(), 300),
                                         "short reply: the reply has 300 of 512 characters"}}) {
        reply = answer;
        host.messages.clear();
        EXPECT_FALSE(Finish(link, [&] { link.downloadAndCheck(); }));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, msg::kCopyCheckFailed);
        EXPECT_EQ(host.messages[0].details, (std::vector<std::string>{cause, "port 1"}));
    }
    stored = test::CountingImage();
    stored[77] = 0x4C;
    reply = Dump(stored);
    EXPECT_FALSE(Finish(link, [&] { link.checkDownload(); }));
    EXPECT_EQ(lastMessage(), msg::kCopyCheckDiffers);
    EXPECT_EQ(host.messages.back().details,
              (std::vector<std::string>{"1 byte differs", "offset 77 (4Dh): expected 4D, read 4C", "port 1"}));
}

TEST_F(Link, AFailedCompareListsAndMarksTheDifferingBytes)
{
    SpdImage stored = test::CountingImage();
    for (int i = 100; i < 120; ++i)
        stored[static_cast<std::size_t>(i)] = 0xEE;
    host.document.load(test::CountingImage());
    host.document.setMark(105, Mark::Edited);
    line.respond = [&](const std::string& w) { return w == CommandFrame("l") ? Dump(stored) : ""; };
    EXPECT_FALSE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kCompareDiffers);
    const std::vector<std::string>& details = host.messages.back().details;
    ASSERT_EQ(details.size(), 19u);  // the count, 16 bytes, the rest, the port
    EXPECT_EQ(details[0], "20 bytes differ");
    EXPECT_EQ(details[1], "offset 100 (64h): expected 64, read EE");
    EXPECT_EQ(details[16], "offset 115 (73h): expected 73, read EE");
    EXPECT_EQ(details[17], "… 4 more");
    EXPECT_EQ(details[18], "port 1");
    for (int i = 99; i <= 120; ++i)
        EXPECT_EQ(host.document.mark(i) == Mark::Differs, i >= 100 && i < 120) << i;

    // The next compare takes the marks away.
    stored = test::CountingImage();
    stored[3] = 0;
    EXPECT_FALSE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(host.document.mark(3), Mark::Differs);
    EXPECT_EQ(host.document.mark(100), Mark::Plain);
    stored[3] = 3;
    EXPECT_TRUE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(host.document.mark(3), Mark::Plain);
    EXPECT_TRUE(DifferingBytesLines(stored, stored).empty());
}

TEST_F(Link, LongCommandsShowTheirProgressUntilTheirMessage)
{
    host.document.load(test::CountingImage());
    line.respond = [&](const std::string& w) {
        return w == CommandFrame("l") ? Dump(test::CountingImage()) : std::string();
    };
    EXPECT_TRUE(Finish(link, [&] { link.downloadAndCheck(); }));
    ASSERT_GE(host.progress.size(), 18u);
    EXPECT_EQ(host.progress[0], "SPD 下傳, 0 s");
    EXPECT_EQ(host.progress[1].rfind("SPD 下傳: 第 1 / 16 列, ", 0), 0u) << host.progress[1];
    EXPECT_EQ(host.progress[16].rfind("SPD 下傳: 第 16 / 16 列, ", 0), 0u) << host.progress[16];
    EXPECT_EQ(host.progress[17].rfind("SPD 下傳: 檢查, ", 0), 0u) << host.progress[17];
    EXPECT_EQ(host.progress.back(), "");
    // The progress ends once, before the message.
    EXPECT_EQ(std::count(host.progress.begin(), host.progress.end(), ""), 1);
    EXPECT_EQ(std::vector<std::string>(host.order.end() - 2, host.order.end()),
              (std::vector<std::string>{"progress end", "message"}));

    // The pacing waits of reads and tester commands count on.
    for (const auto& [command, activity] :
         std::vector<std::pair<std::function<bool()>, std::string>>{
             {[&] { return Finish(link, [&] { link.readModule(); }); }, "電腦讀取模組 SPD"},
             {[&] { return Finish(link, [&] { link.runTesterCommand(TesterCommand::Test); }); }, "測試機執行中"}}) {
        host.progress.clear();
        command();
        ASSERT_GE(host.progress.size(), 3u) << activity;  // the start, the wait, the end
        for (std::size_t i = 0; i + 1 < host.progress.size(); ++i)
            EXPECT_EQ(host.progress[i].rfind(activity + ", ", 0), 0u) << host.progress[i];
        EXPECT_EQ(host.progress.back(), "");
    }
}

// A read that changes the bytes marks the document modified (its file no
// longer holds them); a whole image clears the edited marks of the old one.
TEST_F(Link, ReadsStoreBytesAsReadAndMarkTheDocumentModified)
{
    SpdImage module = test::CountingImage();
    line.respond = [&](const std::string& w) { return w == CommandFrame("k") ? Dump(module, 300) : ""; };
    EXPECT_FALSE(Finish(link, [&] { link.readModule(); }));
    EXPECT_EQ(lastMessage(), msg::kReadModuleFailed);
    EXPECT_EQ(host.document.byte(149), 149);
    EXPECT_EQ(host.document.byte(150), 0);
    EXPECT_TRUE(host.document.isModified());

    host.document.setModified(false);
    host.document.setMark(5, Mark::Edited);
    line.respond = [&](const std::string& w) { return w == CommandFrame("k") ? Dump(module) : ""; };
    EXPECT_TRUE(Finish(link, [&] { link.readModule(); }));
    EXPECT_EQ(lastMessage(), msg::kReadModuleOk);
    EXPECT_EQ(host.document.image(), module);
    EXPECT_EQ(host.document.byte(63), 63);   // not recomputed
    EXPECT_EQ(host.document.mark(5), Mark::Plain);
    EXPECT_TRUE(host.document.isModified());

    host.document.setModified(false);
    EXPECT_TRUE(Finish(link, [&] { link.readModule(); }));  // the same bytes again: nothing to save
    EXPECT_FALSE(host.document.isModified());
}

TEST_F(Link, LineNoiseFailsTheReadAndLeavesTheDocumentAlone)
{
    SpdImage before = test::CountingImage();
    before[63] = Checksum63(before);
    host.document.load(before);
    std::mt19937 random(7);
    std::string noise(kSpdDumpLength, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    std::string garbled = Dump(test::CountingImage());
    garbled[301] = 'G';  // hex-looking, but byte 150's low digit is no digit
    std::string reply;
    line.respond = [&](const std::string& w) -> std::string {
        if (w == CommandFrame("k") || w == CommandFrame("l"))
            return reply;
        return w == SerialNumberingQueryFrame() ? "5500" : "";
    };
    for (const std::string& bad : {noise, garbled, std::string(kSpdDumpLength, 'Z'), garbled.substr(0, 310)}) {
        reply = bad;
        EXPECT_FALSE(Finish(link, [&] { link.readModule(); }));
        EXPECT_EQ(lastMessage(), msg::kReadModuleFailed);
        EXPECT_FALSE(Finish(link, [&] { link.readProgrammer(); }));
        EXPECT_EQ(lastMessage(), msg::kReadProgrammerFailed);
        EXPECT_EQ(host.document.image(), before);
        ASSERT_FALSE(host.notes.empty());
        EXPECT_NE(host.notes.back().find("is not a hexadecimal digit"), std::string::npos) << host.notes.back();
    }
    EXPECT_EQ(host.notes.back(), "reply character 302 of 512 is not a hexadecimal digit (47h)");

    // "ZZ..." once read as all zeros: a compare against a blank image must not pass.
    host.document.load(SpdImage{});
    reply = std::string(kSpdDumpLength, 'Z');
    EXPECT_FALSE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kCompareDiffers);
    EXPECT_FALSE(Finish(link, [&] { link.checkDownload(); }));
    EXPECT_EQ(lastMessage(), msg::kCopyCheckFailed);
}

TEST_F(Link, ReadsThatPassNoteCheckByteMismatchesAndKeepTheImage)
{
    std::string reply;
    line.respond = [&](const std::string& w) -> std::string {
        if (w == CommandFrame("k") || w == CommandFrame("l"))
            return reply;
        return w == SerialNumberingQueryFrame() ? "5500" : "";
    };
    // A flood of "F" is a complete hex dump: the read passes, then the checksum is wrong.
    reply = std::string(kSpdDumpLength, 'F');
    EXPECT_TRUE(Finish(link, [&] { link.readModule(); }));
    EXPECT_EQ(lastMessage(), msg::kReadModuleOk);
    EXPECT_EQ(host.document.byte(63), 0xFF);
    EXPECT_EQ(host.notes.back(), "checksum mismatch: byte 63 holds FF, the sum of bytes 0-62 is C1");

    // DDR3 (byte 2 = 0Bh) is checked by its CRC; lower-case digits are digits.
    SpdImage ddr3 = test::CountingImage();
    ddr3[2] = 0x0B;
    reply = Dump(ddr3);
    std::transform(reply.begin(), reply.end(), reply.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(Finish(link, [&] { link.readProgrammer(); }));
    EXPECT_EQ(host.document.image(), ddr3);
    EXPECT_EQ(host.notes.back().rfind("CRC mismatch: bytes 126-127 hold 7F7E, the CRC of bytes 0-125 is ", 0), 0u)
        << host.notes.back();

    // Matching check bytes: the note is cleared.
    ddr3[126] = static_cast<std::uint8_t>(SpdCrc(ddr3) & 0xFF);
    ddr3[127] = static_cast<std::uint8_t>(SpdCrc(ddr3) >> 8);
    reply = Dump(ddr3);
    EXPECT_TRUE(Finish(link, [&] { link.readModule(); }));
    EXPECT_EQ(host.notes.back(), "");

    // A port failure names the line's own reason after the message.
    line.close();
    line.openWorks = false;
    EXPECT_FALSE(Finish(link, [&] { link.readModule(); }));
    EXPECT_EQ(host.notes.back(), "fake line failure");
}

TEST_F(Link, ReadProgrammerWritesTheSerialNumberingStateBack)
{
    const SpdImage stored = test::CountingImage();
    std::string numbering = "5500";
    line.respond = [&](const std::string& w) -> std::string {
        if (w == CommandFrame("l"))
            return Dump(stored);
        if (w == SerialNumberingQueryFrame())
            return numbering;
        return "";
    };
    host.check1 = true;
    EXPECT_TRUE(Finish(link, [&] { link.readProgrammer(); }));
    EXPECT_FALSE(host.check1);
    EXPECT_EQ(line.writes, (std::vector<std::string>{CommandFrame("l"), SerialNumberingQueryFrame(), CommandFrame("A")}));
    EXPECT_EQ(lastMessage(), msg::kReadProgrammerOk);
    EXPECT_EQ(host.document.image(), stored);

    // Unchanged box: nothing written back. A short reply fails.
    line.writes.clear();
    EXPECT_TRUE(Finish(link, [&] { link.readProgrammer(); }));
    EXPECT_EQ(line.writes.size(), 2u);
    numbering = "55";
    EXPECT_FALSE(Finish(link, [&] { link.readProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kReadProgrammerFailed);
}

TEST_F(Link, CompareEraseAndAutoNumbering)
{
    host.document.load(test::CountingImage());
    line.respond = [&](const std::string& w) { return w == CommandFrame("l") ? Dump(test::CountingImage()) : ""; };
    EXPECT_TRUE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kCompareEqual);
    line.respond = [&](const std::string& w) { return w == CommandFrame("l") ? Dump(SpdImage{}) : ""; };
    EXPECT_FALSE(Finish(link, [&] { link.compareWithProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kCompareDiffers);

    line.events.clear();
    const int closes = line.closes;
    EXPECT_TRUE(Finish(link, [&] { link.eraseProgrammer(); }));
    EXPECT_EQ(line.events, std::vector<std::string>{"write " + CommandFrame("e")});
    EXPECT_EQ(line.closes, closes + 1);
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(lastMessage(), msg::kEraseOk);

    // The box's click while a status reply is pending cancels that reply.
    link.requestStatus();
    test::RunEventsUntil([&] { return link.statusReplyTimer().isActive(); });
    host.check1 = true;
    EXPECT_TRUE(Finish(link, [&] { link.setAutoSerial(); }));
    EXPECT_EQ(line.writes.back(), CommandFrame("a"));
    EXPECT_FALSE(link.statusReplyTimer().isActive());
    EXPECT_FALSE(line.isOpen());
    EXPECT_TRUE(link.pollTimer().isActive());

    line.openWorks = false;
    EXPECT_FALSE(Finish(link, [&] { link.setAutoSerial(); }));
    EXPECT_EQ(lastMessage(), msg::kAutoSerialFailed);
    EXPECT_FALSE(Finish(link, [&] { link.eraseProgrammer(); }));
    EXPECT_EQ(lastMessage(), msg::kEraseFailed);
}

TEST_F(Link, TesterCommandsCloseThePortDuringTheirWait)
{
    const int before = clock.sleeps;
    EXPECT_TRUE(Finish(link, [&] { link.runTesterCommand(TesterCommand::EnOpen); }));
    EXPECT_EQ(line.writes.back(), std::string("\x6F\x10\x7F"));
    EXPECT_EQ(line.closes, 1);
    EXPECT_TRUE(line.isOpen());
    EXPECT_GT(clock.sleeps, before);

    EXPECT_TRUE(Finish(link, [&] { link.runTesterCommand(TesterCommand::Test); }));
    EXPECT_EQ(line.writes.back(), CommandFrame("p"));
    EXPECT_EQ(line.closes, 1);  // the test record comes to an open port
    EXPECT_TRUE(link.pollTimer().isActive());

    line.close();
    line.openWorks = false;
    EXPECT_FALSE(Finish(link, [&] { link.runTesterCommand(TesterCommand::Verify); }));
    EXPECT_EQ(host.messages.back().text, msg::kVerifyFailed);
    EXPECT_EQ(host.messages.back().title, "ERROR");
    EXPECT_FALSE(Finish(link, [&] { link.runTesterCommand(TesterCommand::DisPower); }));
    EXPECT_EQ(host.messages.back().text, msg::kSwitchFailed);
    EXPECT_EQ(host.messages.back().title, msg::kErrorTitle);
    EXPECT_TRUE(link.pollTimer().isActive());
}

TEST_F(Link, PollingPausesForEachCommandAndRunsAgainAfterIt)
{
    // A message box runs the event loop, so when the polling restarts matters:
    // only the two reads restart it before their success message. Failures are
    // shown while it is paused; it runs again after every one but the
    // download's, whose check restarts it.
    host.polling = &link.pollTimer();
    host.document.load(test::CountingImage());
    line.respond = [&](const std::string& w) -> std::string {
        if (w == CommandFrame("k") || w == CommandFrame("l"))
            return Dump(test::CountingImage());
        return w == SerialNumberingQueryFrame() ? "5500" : "";
    };
    struct Command {
        const char* name;
        std::function<bool()> run;
        std::vector<bool> pollingAtSuccessMessages;
        bool pollingAfterFailure;
    };
    const Command commands[] = {
        {"readModule", [&] { return Finish(link, [&] { link.readModule(); }); }, {true}, true},
        {"readProgrammer", [&] { return Finish(link, [&] { link.readProgrammer(); }); }, {true}, true},
        {"compareWithProgrammer", [&] { return Finish(link, [&] { link.compareWithProgrammer(); }); }, {false}, true},
        {"checkDownload", [&] { return Finish(link, [&] { link.checkDownload(); }); }, {false}, true},
        {"eraseProgrammer", [&] { return Finish(link, [&] { link.eraseProgrammer(); }); }, {false}, true},
        {"setAutoSerial", [&] { return Finish(link, [&] { link.setAutoSerial(); }); }, {}, true},
        {"runTesterCommand", [&] { return Finish(link, [&] { link.runTesterCommand(TesterCommand::Copy); }); }, {}, true},
        {"downloadToProgrammer", [&] { return Finish(link, [&] { link.downloadToProgrammer(); }); }, {}, false},
    };
    for (const bool lineWorks : {true, false}) {
        if (!lineWorks) {
            line.close();
            line.openWorks = false;
        }
        for (const Command& c : commands) {
            link.pollTimer().start();
            host.pollingAtMessage.clear();
            EXPECT_EQ(c.run(), lineWorks) << c.name;
            EXPECT_EQ(host.pollingAtMessage, lineWorks ? c.pollingAtSuccessMessages : std::vector<bool>{false})
                << c.name;
            EXPECT_EQ(link.pollTimer().isActive(), lineWorks || c.pollingAfterFailure) << c.name;
        }
    }
}

int main(int argc, char** argv)
{
    NestingProbe app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The recorder hears each operation once, after its outcome: a download with
// its check is one "download", the serial-numbering switch inside a read
// belongs to the read, and a failure carries the message and its cause.
TEST_F(Link, RecorderHearsEachOperationOnceWithItsOutcome)
{
    struct Recorder final : LinkRecorder {
        std::vector<LinkOperationReport> reports;
        void operationFinished(const LinkOperationReport& report) override { reports.push_back(report); }
    } recorder;
    link.setRecorder(&recorder);
    const SpdImage image = test::CountingImage();
    host.document.load(image);
    host.document.setCaption("module-a.spd");
    SpdImage stored{};
    line.respond = [&](const std::string& w) -> std::string {
        if (w[0] == 'w') {
            std::array<std::uint8_t, kSpdSize> bytes{};
            ReadSpdDump(std::string(w.substr(2, 32)), bytes);
            std::copy_n(bytes.begin(), 16, stored.begin() + 16 * (w[1] - '0'));
        }
        if (w == CommandFrame("l"))
            return Dump(stored);
        return w == SerialNumberingQueryFrame() ? "5501" : "";
    };
    ASSERT_TRUE(Finish(link, [&] { link.downloadAndCheck(); }));
    ASSERT_EQ(recorder.reports.size(), 1u);
    const LinkOperationReport& download = recorder.reports[0];
    EXPECT_EQ(std::string(LinkOperationName(download.operation)), "download");
    EXPECT_TRUE(download.ok);
    EXPECT_EQ(download.documentName, "module-a.spd");
    EXPECT_EQ(download.image, std::optional<SpdImage>(image));
    EXPECT_TRUE(download.authorized);
    EXPECT_EQ(download.port, line.portText().toStdString());

    // The read switches the box (setAutoSerial inside it): still one report, with the image read.
    stored[5] = 0x55;
    ASSERT_TRUE(Finish(link, [&] { link.readProgrammer(); }));
    ASSERT_EQ(recorder.reports.size(), 2u);
    EXPECT_EQ(recorder.reports[1].operation, LinkOperation::ReadProgrammer);
    EXPECT_EQ(recorder.reports[1].image, std::optional<SpdImage>(stored));

    stored[7] ^= 0xFF;
    host.document.load(image);
    EXPECT_FALSE(Finish(link, [&] { link.compareWithProgrammer(); }));
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_FALSE(recorder.reports[2].ok);
    EXPECT_EQ(recorder.reports[2].message.substr(0, recorder.reports[2].message.find('\n')), msg::kCompareDiffers);
    EXPECT_EQ(recorder.reports[2].image, std::optional<SpdImage>(image));

    line.close();
    line.openWorks = false;
    app.operatorAuthorized = false;
    EXPECT_FALSE(Finish(link, [&] { link.eraseProgrammer(); }));
    ASSERT_EQ(recorder.reports.size(), 4u);
    EXPECT_EQ(recorder.reports[3].operation, LinkOperation::Erase);
    EXPECT_EQ(recorder.reports[3].message, std::string(msg::kEraseFailed) + "\nfake line failure");
    EXPECT_FALSE(recorder.reports[3].authorized);
    EXPECT_FALSE(recorder.reports[3].image);
    EXPECT_FALSE(Finish(link, [&] { link.runTesterCommand(TesterCommand::DisPower); }));
    EXPECT_EQ(recorder.reports.back().operation, LinkOperation::Switch);
}

// Every step of every command runs from the test's own event loop and goes
// back to it: a timer or queued call delivered inside another handler means a
// step ran an event loop of its own.
TEST_F(Link, CommandsRunNoEventLoopOfTheirOwn)
{
    auto& probe = static_cast<NestingProbe&>(*QCoreApplication::instance());
    host.document.load(test::CountingImage());
    line.respond = [](const std::string& w) -> std::string {
        if (w == CommandFrame("l") || w == CommandFrame("k"))
            return Dump(test::CountingImage());
        if (w == CommandFrame("p"))
            return TestRecordText(0x00, {1}, {});
        return w == SerialNumberingQueryFrame() ? "5501" : "";
    };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"download and check", [&] { link.downloadAndCheck(); }},
        {"read programmer, switching serial numbering", [&] { link.readProgrammer(); }},
        {"read module", [&] { link.readModule(); }},
        {"compare", [&] { link.compareWithProgrammer(); }},
        {"erase", [&] { link.eraseProgrammer(); }},
        {"module test with its record", [&] { link.runModuleTest(2000); }},
        {"tester copy", [&] { link.runTesterCommand(TesterCommand::Copy); }},
    };
    for (const auto& [name, start] : commands) {
        probe.deepest = 0;
        EXPECT_TRUE(Finish(link, start)) << name;
        EXPECT_EQ(probe.deepest, 1) << name;
        EXPECT_TRUE(app.deviceIdle) << name;
    }
    EXPECT_TRUE(host.check1);  // the read switched the box on
}
