// The programmer link as the operator meets it: the handshake of a new window,
// the test flags, test records on the result panel and the pins, the pin tool
// tips and the command buttons, on a serial line without hardware (offscreen).
#include "app/mainwindow.h"
#include "core/hex.h"
#include "device/programmerlink.h"
#include "documentwindow/documentwindow.h"
#include "fakeline.h"
#include "files/settingsstore.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <vector>

using namespace tessaro;
using test::StatusReply;
using test::TestRecordText;

namespace {

QString TipOf(QLabel* label)
{
    QHelpEvent event(QEvent::ToolTip, QPoint(1, 1), label->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(label, &event);
    return label->toolTip();
}

// The frames hidden while no programmer answers.
std::vector<QGroupBox*> ProgrammerFrames(const DocumentWindow* doc)
{
    const ProgrammerPanel* panel = doc->programmerPanel();
    return {panel->ioFrame(),           panel->testResultFrame(), panel->testCountFrame(),
            panel->testFunctionFrame(), panel->moduleIoFrame(),   doc->checkFrame()};
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

class LinkWindow : public test::WorkstationTest
{
protected:
    void SetUp() override
    {
        WorkstationTest::SetUp();
        auto fake = std::make_unique<test::FakeLine>();
        line = fake.get();
        line->respond = [this](const std::string& w) { return w == CommandFrame("q") ? status : std::string(); };
        window->attachProgrammer(std::move(fake));
        link().setPacingClock(clock.clock());
    }

    ProgrammerLink& link() { return *window->programmerLink(); }
    // A new window and its handshake, through to the status reply.
    DocumentWindow* openWindow()
    {
        DocumentWindow* doc = window->newDocument();
        EXPECT_TRUE(QTest::qWaitFor([&] { return link().statusReplyTimer().isActive(); }, 2000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !link().statusReplyTimer().isActive() && !link().handshaking(); }, 3000));
        return doc;
    }
    // Runs the test's event loop until the command a button started has ended and shown its messages.
    void finishCommand() { ASSERT_TRUE(QTest::qWaitFor([&] { return !link().busy(); }, 5000)); }
    bool saveEnabled() { return window->action(QStringLiteral("mnuFileSave"))->isEnabled(); }

    test::FakeLine* line = nullptr;
    test::FakeClock clock;
    std::string status = StatusReply("11", "A4");
};

}  // namespace

TEST_F(LinkWindow, HandshakeSetsVersionFlagsAndAccess)
{
    DocumentWindow* doc = openWindow();
    EXPECT_EQ(line->writes.front(), CommandFrame("q"));
    EXPECT_EQ(doc->programmerPanel()->versionLabel()->text(), QStringLiteral("Ver: 11"));
    // Status A4: bits 2, 5 and 7 set clear their boxes.
    using enum TestFunction;
    for (auto [function, ticked] : {std::pair{PowerShort, true}, {LineOpen, true}, {LineShort, false},
                                    {ProgramSpd, true}, {CompareSpd, false}, {SoftwareProtect, false}})
        EXPECT_EQ(doc->programmerPanel()->testFunctionOption(function)->isChecked(), ticked)
            << "function " << static_cast<int>(function);
    EXPECT_TRUE(doc->byteEntryBox()->isVisible());
    EXPECT_TRUE(doc->fillBox()->isEnabled());
    for (QGroupBox* frame : ProgrammerFrames(doc))
        EXPECT_TRUE(frame->isVisible()) << frame->title().toStdString();
    EXPECT_TRUE(saveEnabled());
    EXPECT_TRUE(window->action(QStringLiteral("mnuViewPassword"))->isEnabled());
    EXPECT_TRUE(link().pollTimer().isActive());

    // CONNECT asks again; the newest version shows.
    status = StatusReply("12", "00");
    window->action(QStringLiteral("mnuViewReconnect"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link().statusReplyTimer().isActive() && !link().handshaking(); }, 3000));
    EXPECT_EQ(doc->programmerPanel()->versionLabel()->text(), QStringLiteral("Ver: 12"));
    EXPECT_TRUE(doc->programmerPanel()->testFunctionOption(TestFunction::SoftwareProtect)->isChecked());
}

TEST_F(LinkWindow, MissingProgrammerHidesTheProgrammerPartsAndDisablesSaving)
{
    status.clear();
    test::ModalResponder responder;
    DocumentWindow* doc = openWindow();
    ASSERT_EQ(responder.messages().size(), 1u);
    // The message, then the port and why.
    const QStringList lines = responder.messages()[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("*****    RS-232 連結失敗    *****"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("port ")) && lines[1].endsWith(QStringLiteral(": no reply to the status request")))
        << lines[1].toStdString();
    EXPECT_EQ(responder.messages()[0].title, QStringLiteral("錯誤訊息"));
    EXPECT_EQ(responder.messages()[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(doc->byteEntryBox()->isVisible());
    EXPECT_FALSE(doc->byteEntryBox()->isEnabled());
    for (QGroupBox* frame : ProgrammerFrames(doc))
        EXPECT_FALSE(frame->isVisible()) << frame->title().toStdString();
    EXPECT_FALSE(saveEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("mnuFileSaveAs"))->isEnabled());
}

TEST_F(LinkWindow, NotAuthorisedOperatorGetsNoEntryBoxes)
{
    app.operatorAuthorized = false;
    DocumentWindow* doc = openWindow();
    EXPECT_FALSE(doc->byteEntryBox()->isVisible());
    EXPECT_FALSE(doc->fillBox()->isVisible());
    EXPECT_FALSE(doc->programmerPanel()->autoSerialOption()->isEnabled());
    EXPECT_FALSE(doc->dateCodeOption()->isEnabled());
    EXPECT_TRUE(doc->programmerPanel()->testFunctionFrame()->isVisible());
    EXPECT_FALSE(saveEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("mnuFilePrint"))->isEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("mnuViewPassword"))->isEnabled());
}

TEST_F(LinkWindow, TestFlagsSendTheCommandOfTheirValueBeforeTheMouseClick)
{
    DocumentWindow* doc = openWindow();
    QCheckBox* power = doc->programmerPanel()->testFunctionOption(TestFunction::PowerShort);
    ASSERT_TRUE(power->isChecked());
    QTest::mouseClick(power, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->writes.back() != CommandFrame("q"); }, 2000));
    EXPECT_EQ(line->writes.back(), CommandFrame("x"));  // EN_POWER
    EXPECT_FALSE(power->isChecked());
    finishCommand();
    QTest::mouseClick(power, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->writes.back() == CommandFrame("X"); }, 2000));  // DIS_POWER
    EXPECT_TRUE(power->isChecked());

    // The keyboard toggles the box and sends nothing.
    const std::size_t written = line->writes.size();
    doc->programmerPanel()->testFunctionOption(TestFunction::LineShort)->setFocus();
    QTest::keyClick(doc->programmerPanel()->testFunctionOption(TestFunction::LineShort), Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_TRUE(doc->programmerPanel()->testFunctionOption(TestFunction::LineShort)->isChecked());
    EXPECT_EQ(line->writes.size(), written);
}

TEST_F(LinkWindow, TestRecordsColourTheResultCountersAndPins)
{
    DocumentWindow* doc = openWindow();
    EXPECT_TRUE(doc->programmerPanel()->resultLabel()->text().isEmpty());  // no result before the first record
    line->received = TestRecordText(0x12, {0, 2}, {0});
    link().pollTick();
    EXPECT_EQ(doc->programmerPanel()->resultLabel()->text(), QStringLiteral("SPD FAIL"));
    EXPECT_EQ(doc->programmerPanel()->resultLabel()->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(doc->programmerPanel()->failCountLabel()->text(), QStringLiteral("1"));
    QLabel* pin0 = doc->programmerPanel()->moduleSignalLabel(0);
    EXPECT_EQ(pin0->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(pin0->frameShape(), QFrame::Box);
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(2)->palette().color(QPalette::WindowText), QColor(0, 192, 0));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(1)->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(1)->frameShape(), QFrame::NoFrame);

    line->received = TestRecordText(0x00, {1}, {});
    link().pollTick();
    EXPECT_EQ(doc->programmerPanel()->resultLabel()->text(), QStringLiteral("PASS"));
    EXPECT_EQ(doc->programmerPanel()->resultLabel()->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(doc->programmerPanel()->passCountLabel()->text(), QStringLiteral("1"));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(0)->frameShape(), QFrame::NoFrame);

    // "重置" sets both counters back.
    QTest::mouseClick(doc->findChild<QPushButton*>(QStringLiteral("Command10")), Qt::LeftButton);
    EXPECT_EQ(app.testPassCount, 0);
    EXPECT_EQ(app.testFailCount, 0);
    EXPECT_EQ(doc->programmerPanel()->passCountLabel()->text(), QStringLiteral("0"));
}

TEST_F(LinkWindow, PinToolTipsFollowTheModuleLastDecoded)
{
    DocumentWindow* doc = window->newDocument();
    struct Case {
        int type, form, signal;
        const char* tip;
    };
    const Case cases[] = {
        {8, 4, 0, "Pin 5"},   {8, 4, 64, "      "}, {7, 0, 4, "Pin 94"}, {7, 0, 85, "      "},
        {4, 0, 0, "Pin 3"},   {11, 4, 143, "Pin 204"}, {11, 0, 143, "Pin 240"}, {7, 0, 135, "Pin 16"},
        {7, 0, 138, "Pin 75"}, {8, 0, 137, "Pin 220"},
    };
    for (const Case& c : cases) {
        app.decode.currentMemoryType = static_cast<std::int16_t>(c.type);
        app.decode.currentModuleForm = static_cast<std::int16_t>(c.form);
        EXPECT_EQ(TipOf(doc->programmerPanel()->moduleSignalLabel(c.signal)), QString::fromLatin1(c.tip))
            << "type " << c.type << " form " << c.form << " signal " << c.signal;
    }
}

TEST_F(LinkWindow, ButtonsRunOneCommandAtATime)
{
    DocumentWindow* doc = openWindow();
    const SpdImage module = test::CountingImage();
    line->respond = [&](const std::string& w) { return w == CommandFrame("k") ? HexString(module) : std::string(); };
    test::ModalResponder responder;
    auto* readModule = doc->findChild<QPushButton*>(QStringLiteral("Command9"));
    app.deviceIdle = false;
    const std::size_t sent = line->writes.size();
    QTest::mouseClick(readModule, Qt::LeftButton);
    QCheckBox* autoSerial = doc->programmerPanel()->autoSerialOption();
    QTest::mouseClick(autoSerial, Qt::LeftButton, {}, QPoint(6, autoSerial->height() / 2));
    EXPECT_EQ(line->writes.size(), sent) << "neither the button nor the option sends while a command runs";
    app.deviceIdle = true;
    QTest::mouseClick(readModule, Qt::LeftButton);
    EXPECT_FALSE(app.deviceIdle) << "held from the click to the end of the command's message";
    finishCommand();
    EXPECT_EQ(line->writes.back(), CommandFrame("k"));
    EXPECT_TRUE(app.deviceIdle);
    EXPECT_EQ(doc->document().image(), module);
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(responder.messages()[0].text, QStringLiteral("*****   電腦讀取模組 SPD 成功!   ***** "));
    EXPECT_EQ(responder.messages()[0].icon, QMessageBox::NoIcon);
    // The read is an unsaved change, and one step: undoing it is clean again.
    EXPECT_TRUE(doc->document().isModified());
    EXPECT_EQ(ShownWindowTitle(doc).right(1), QStringLiteral("*"));
    doc->undoStack()->undo();
    EXPECT_FALSE(doc->document().isModified());
    EXPECT_EQ(doc->document().image(), SpdImage{});
}

TEST_F(LinkWindow, NoiseLeavesTheDocumentAndAMismatchShowsInTheStatusBar)
{
    DocumentWindow* doc = openWindow();
    const SpdImage before = doc->document().image();
    std::string reply = HexString(test::CountingImage());
    reply[40] = ':';
    line->respond = [&](const std::string& w) { return w == CommandFrame("k") ? reply : std::string(); };
    test::ModalResponder responder;
    auto* readModule = doc->findChild<QPushButton*>(QStringLiteral("Command9"));
    QTest::mouseClick(readModule, Qt::LeftButton);
    finishCommand();
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(responder.messages()[0].text, QStringLiteral("*****   電腦讀取模組 SPD 失敗!   ***** "));
    EXPECT_EQ(doc->document().image(), before);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("reply character 41 of 512 is not a hexadecimal digit (3Ah)"));

    // All "F": a passing read whose checksum is wrong; the image is kept as read.
    reply = std::string(kSpdDumpLength, 'F');
    QTest::mouseClick(readModule, Qt::LeftButton);
    finishCommand();
    ASSERT_EQ(responder.messages().size(), 2u);
    EXPECT_EQ(responder.messages()[1].text, QStringLiteral("*****   電腦讀取模組 SPD 成功!   ***** "));
    EXPECT_EQ(doc->document().byte(63), 0xFF);
    EXPECT_TRUE(doc->document().isModified());
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("checksum mismatch: byte 63 holds FF, the sum of bytes 0-62 is C1"));
}

TEST_F(LinkWindow, SoakOfGarbageAndRecordsKeepsMemoryFlat)
{
    DocumentWindow* doc = openWindow();
    std::mt19937 random(20261209);
    auto garbage = [&] {
        std::string text(random() % 300, '\0');
        for (char& c : text)
            c = static_cast<char>(random() % 256);
        if (random() % 3 == 0)
            text.replace(0, std::min<std::size_t>(4, text.size()), "55AA");
        return text;
    };
    auto record = [&] {
        std::vector<int> pass, fail;
        for (int i = 0; i < 8; ++i) {
            pass.push_back(static_cast<int>(random() % 144));
            fail.push_back(static_cast<int>(random() % 144));
        }
        std::string text = TestRecordText(static_cast<std::uint8_t>(random() % 256), pass, fail);
        if (random() % 4 == 0)
            text.resize(random() % text.size());
        return text;
    };
    long atStart = 0;
    for (int tick = 0; tick < 2000; ++tick) {
        if (tick == 200)
            atStart = ResidentKilobytes();
        line->received = random() % 2 == 0 ? garbage() : record();
        link().pollTick();
        if (tick % 50 == 0)
            QCoreApplication::processEvents();
        if (app.testFailCount > 30000)
            app.testFailCount = 0;
    }
    const long atEnd = ResidentKilobytes();
#if !defined(__SANITIZE_ADDRESS__)
    // (AddressSanitizer keeps freed memory in quarantine; its leak check at
    // exit covers that build instead.)
    EXPECT_LT(atEnd - atStart, 4096) << "resident memory grew from " << atStart << " kB to " << atEnd << " kB";
#else
    (void)atEnd;
    (void)atStart;
#endif
    EXPECT_GT(app.testPassCount + app.testFailCount, 100);
    EXPECT_TRUE(doc->isVisible());
}

TEST_F(LinkWindow, LoadSequenceOpensTheStoredPortAndStartsPolling)
{
    QSettings(settingsPath, QSettings::IniFormat).setValue("Settings/CommPort", "3");
    settings->sync();
    test::ModalResponder responder;  // the first-start password dialog is dismissed
    window->runLoadSequence();
    EXPECT_EQ(line->portNumber(), 3);
    EXPECT_TRUE(line->isOpen());
    EXPECT_EQ(app.currentCommPort, 3);
    EXPECT_TRUE(link().pollTimer().isActive());
    ASSERT_EQ(window->documents().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->writes.size() == 1; }, 3000));  // the new window's handshake
    EXPECT_EQ(line->writes[0], CommandFrame("q"));
}

TEST_F(LinkWindow, AStoredPortThatDoesNotOpenFallsBackToPortOne)
{
    QSettings(settingsPath, QSettings::IniFormat).setValue("Settings/CommPort", "3");
    settings->sync();
    line->openWorks = false;
    test::ModalResponder responder;
    window->runLoadSequence();
    EXPECT_EQ(line->portNumber(), 1);
    EXPECT_EQ(app.currentCommPort, 1);
    settings->sync();
    EXPECT_EQ(QSettings(settingsPath, QSettings::IniFormat).value("Settings/CommPort").toString(), QStringLiteral("1"));
    // The handshake of the first window then reports that the status cannot
    // be read, with the reason and the port.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !responder.messages().empty(); }, 3000));
    EXPECT_EQ(responder.messages().back().text,
              QString::fromUtf8(msg::kStatusUnreadable) + QStringLiteral("\nfake line failure\nport 1"));
}
