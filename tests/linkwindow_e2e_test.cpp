// The document window's programmer buttons, options and result panel against
// the programmer simulator on a pseudo-terminal (offscreen).
#include "app/mainwindow.h"
#include "device/programmerlink.h"
#include "device/serialline.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/markcolours.h"
#include "files/settingsstore.h"
#include "files/spdfile.h"
#include "simprocess.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace tessaro;

namespace {

class WindowSim : public test::WorkstationTest
{
protected:
    // Wires the window to `device` and starts the polling, as the load does.
    void attach(const QString& device)
    {
        window->attachProgrammer(std::make_unique<QtSerialLine>([device](int) { return device; }));
        window->programmerLink()->openPort();
        window->programmerLink()->pollTimer().start();
    }
    DocumentWindow* openWindow()
    {
        DocumentWindow* doc = window->newDocument();
        ProgrammerLink& link = *window->programmerLink();
        EXPECT_TRUE(QTest::qWaitFor([&] { return link.statusReplyTimer().isActive(); }, 3000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !link.statusReplyTimer().isActive() && !link.handshaking(); }, 4000));
        return doc;
    }
    void press(DocumentWindow* doc, const char* button)
    {
        auto* b = doc->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
        finishCommand();
    }
    // Runs the test's event loop until the running command has ended and shown its messages.
    void finishCommand()
    {
        ProgrammerLink& link = *window->programmerLink();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !link.busy(); }, 30000));
    }
    QString lastMessage() const
    {
        return responder.messages().empty() ? QString() : responder.messages().back().text;
    }
    std::string lastFrame() const
    {
        const auto frames = sim.frames();
        return frames.empty() ? std::string() : frames.back();
    }

    QTemporaryDir dir;
    test::SimProcess sim;
    test::ModalResponder responder;
};

}  // namespace

TEST_F(WindowSim, EveryButtonAndOptionAgainstTheSimulator)
{
    SpdImage module = test::CountingImage();
    module[2] = 0x08;
    const QString moduleFile = QDir(dir.path()).filePath(QStringLiteral("module.bin"));
    QString error;
    ASSERT_TRUE(WriteSpdFile(moduleFile, module, SpdFormat::Binary, &error));
    ASSERT_TRUE(sim.start({"--fast", "--version", "21", "--module", moduleFile, "--fail", "open", "--fail-pins", "3,17"}));
    attach(sim.device());
    DocumentWindow* doc = openWindow();
    EXPECT_EQ(doc->programmerPanel()->versionLabel()->text(), QStringLiteral("Ver: 21"));
    EXPECT_TRUE(responder.messages().empty());

    SpdImage image = test::CountingImage();
    image[2] = 0x07;
    doc->document().load(image);
    press(doc, "Command1");  // download, then the check
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kCopyCheckSucceeded));
    auto frames = sim.frames();
    ASSERT_EQ(frames.size(), 18u);
    EXPECT_EQ(frames[1].substr(0, 3), "w0 ");
    EXPECT_EQ(frames[17], "l<10><7F>");
    EXPECT_TRUE(app.deviceIdle);

    press(doc, "Command4");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kEraseOk));
    press(doc, "Command2");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kReadProgrammerOk));
    EXPECT_EQ(doc->document().image(), SpdImage{});
    press(doc, "Command9");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kReadModuleOk));
    EXPECT_EQ(doc->document().image(), module);
    press(doc, "Command3");  // the programmer was erased
    // The message lists the differing bytes and the port; the grid marks them.
    const QStringList compareLines = lastMessage().split(QLatin1Char('\n'));
    ASSERT_EQ(compareLines.size(), 20) << lastMessage().toStdString();
    EXPECT_EQ(compareLines[0], QString::fromUtf8(msg::kCompareDiffers));
    EXPECT_EQ(compareLines[1], QStringLiteral("255 bytes differ"));
    EXPECT_EQ(compareLines[2], QStringLiteral("offset 1 (01h): expected 01, read 00"));
    EXPECT_EQ(compareLines[18], QStringLiteral("… 239 more"));
    EXPECT_EQ(compareLines[19], QStringLiteral("port ") + sim.device());
    EXPECT_EQ(responder.messages().back().title, QStringLiteral("錯誤訊息"));
    EXPECT_EQ(doc->document().mark(0), Mark::Plain);
    EXPECT_EQ(doc->document().mark(200), Mark::Differs);
    const QImage grid = doc->grid()->grab().toImage();
    EXPECT_EQ(QColor(grid.pixel(doc->grid()->cellRect(200).topLeft() + QPoint(2, 2))), kProgrammerDiffersColour);
    press(doc, "Command5");  // the tester reads the module into its memory
    EXPECT_EQ(lastFrame(), "r<10><7F>");
    press(doc, "Command3");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kCompareEqual));
    EXPECT_EQ(doc->document().mark(200), Mark::Plain);
    for (auto [button, frame] : {std::pair{"Command6", "c<10><7F>"}, {"Command7", "v<10><7F>"}, {"Command11", "n<10><7F>"}}) {
        press(doc, button);
        EXPECT_EQ(lastFrame(), frame) << button;
    }

    // The module test: its record shows at a later polling tick.
    press(doc, "Command8");
    EXPECT_EQ(lastFrame(), "p<10><7F>");
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->programmerPanel()->resultLabel()->text() == QStringLiteral("OPEN FAIL"); }, 8000));
    EXPECT_EQ(doc->programmerPanel()->resultLabel()->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(3)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(4)->palette().color(QPalette::WindowText), QColor(0, 192, 0));
    EXPECT_EQ(doc->programmerPanel()->moduleSignalLabel(127)->palette().color(QPalette::WindowText), QColor(128, 128, 128));  // A14: no pin

    // Test flags and the serial-numbering option.
    ASSERT_TRUE(doc->programmerPanel()->testFunctionOption(TestFunction::LineOpen)->isChecked());
    QTest::mouseClick(doc->programmerPanel()->testFunctionOption(TestFunction::LineOpen), Qt::LeftButton, {}, QPoint(6, doc->programmerPanel()->testFunctionOption(TestFunction::LineOpen)->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lastFrame() == "o<10><7F>"; }, 4000));
    finishCommand();
    QTest::mouseClick(doc->programmerPanel()->autoSerialOption(), Qt::LeftButton, {}, QPoint(6, doc->programmerPanel()->autoSerialOption()->height() / 2));
    finishCommand();
    EXPECT_EQ(lastFrame(), "a<10><7F>");
    window->action(QStringLiteral("mnuViewReconnect"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->programmerLink()->statusReplyTimer().isActive() && !window->programmerLink()->handshaking(); }, 4000));
    EXPECT_FALSE(doc->programmerPanel()->testFunctionOption(TestFunction::LineOpen)->isChecked());  // the programmer now reports the function off
    EXPECT_TRUE(doc->programmerPanel()->testFunctionOption(TestFunction::PowerShort)->isChecked());
}

TEST_F(WindowSim, NoDeviceGivesTheMessagesAndKeepsRunning)
{
    attach(QDir(dir.path()).filePath(QStringLiteral("no-such-tty")));
    DocumentWindow* doc = window->newDocument();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !responder.messages().empty(); }, 3000));
    EXPECT_EQ(responder.messages()[0].text, QString::fromUtf8(msg::kStatusUnreadable) + QStringLiteral("\nport ") +
                                                QDir(dir.path()).filePath(QStringLiteral("no-such-tty")) +
                                                QStringLiteral(": No such file or directory"));
    press(doc, "Command9");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kReadModuleFailed));
    press(doc, "Command7");
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kVerifyFailed));
    EXPECT_EQ(responder.messages().back().title, QStringLiteral("ERROR"));
    // A failed download is one message: the failure, then the port's reason.
    const std::size_t before = responder.messages().size();
    press(doc, "Command1");
    ASSERT_EQ(responder.messages().size(), before + 1);
    const QStringList lines = lastMessage().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << lastMessage().toStdString();
    EXPECT_EQ(lines[0], QString::fromUtf8(msg::kDownloadFailed));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("port ") + QDir(dir.path()).filePath(QStringLiteral("no-such-tty")) +
                                    QStringLiteral(": ")))
        << lines[1].toStdString();
    EXPECT_TRUE(app.deviceIdle);
    EXPECT_TRUE(window->programmerLink()->pollTimer().isActive());
    EXPECT_TRUE(doc->isVisible());
}

TEST_F(WindowSim, ADownloadShowsItsProgressInTheStatusBar)
{
    ASSERT_TRUE(sim.start({"--fast"}));
    attach(sim.device());
    DocumentWindow* doc = openWindow();
    window->programmerLink()->rowPaceTimer().setInterval(150);  // the rows in about 2.4 s
    doc->document().load(test::CountingImage());
    // A timer of the window's own: it fires only while the event loop runs.
    QStringList seen;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const QString text = window->statusBar()->currentMessage();
        if (!text.isEmpty() && (seen.isEmpty() || seen.back() != text))
            seen << text;
    });
    sampler.start(20);
    press(doc, "Command1");
    sampler.stop();
    EXPECT_EQ(lastMessage(), QString::fromUtf8(msg::kCopyCheckSucceeded));
    for (int row = 1; row <= 16; ++row) {
        const QString step = QStringLiteral("SPD 下傳: 第 %1 / 16 列, ").arg(row);
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const QString& t) { return t.startsWith(step); }))
            << row << ": " << seen.join(QStringLiteral(" | ")).toStdString();
    }
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [](const QString& t) { return t.startsWith(QStringLiteral("SPD 下傳: 檢查, ")); }));
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());  // gone with the outcome
}

// A command keeps to the window it started in. Switching windows and opening
// new ones while it runs change nothing but its own document; closing its
// window ends it with the cause shown and every other document as it was.
TEST_F(WindowSim, ACommandKeepsToTheDocumentItStartedIn)
{
    SpdImage stored = test::CountingImage();
    stored[2] = 0x08;
    SpdImage module = stored;
    module[9] = 0x5A;
    const QString storedFile = QDir(dir.path()).filePath(QStringLiteral("stored.bin"));
    const QString moduleFile = QDir(dir.path()).filePath(QStringLiteral("module.bin"));
    QString error;
    ASSERT_TRUE(WriteSpdFile(storedFile, stored, SpdFormat::Binary, &error));
    ASSERT_TRUE(WriteSpdFile(moduleFile, module, SpdFormat::Binary, &error));
    ASSERT_TRUE(sim.start({"--fast", "--spd", storedFile, "--module", moduleFile}));
    attach(sim.device());
    ProgrammerLink& link = *window->programmerLink();
    link.rowPaceTimer().setInterval(100);
    const auto sub = [](QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); };
    SpdImage mine = test::CountingImage();
    mine[2] = 0x07;
    SpdImage theirs = mine;
    theirs[40] = 0xEE;

    struct Case {
        const char* button;
        const char* okText;      // the command's outcome in its own window
        const char* closedText;  // its outcome when that window closed
        std::function<SpdImage()> expected;  // the command's document afterwards
    };
    const Case cases[] = {
        {"Command9", msg::kReadModuleOk, msg::kReadModuleFailed, [&] { return module; }},
        {"Command2", msg::kReadProgrammerOk, msg::kReadProgrammerFailed, [&] { return stored; }},
        {"Command3", msg::kCompareDiffers, msg::kCompareDiffers, [&] { return mine; }},
        {"Command1", msg::kCopyCheckSucceeded, msg::kDownloadFailed, [&] { return mine; }},
    };
    for (const bool closeTarget : {false, true}) {
        for (const Case& c : cases) {
            const std::string label = std::string(c.button) + (closeTarget ? " closed" : "");
            // Their status requests wait for the command.
            DocumentWindow* other = window->newDocument();
            other->document().load(theirs);
            QPointer<DocumentWindow> target = window->newDocument();
            target->document().load(mine);
            target->document().setModified(false);
            window->workspace()->setActiveSubWindow(sub(target));
            // Meanwhile: another window comes to the front, a new one opens, the target may close.
            std::vector<std::pair<DocumentWindow*, SpdImage>> others{{other, theirs}};
            QTimer::singleShot(150, window.get(), [&] { window->workspace()->setActiveSubWindow(sub(other)); });
            QTimer::singleShot(300, window.get(), [&] {
                DocumentWindow* added = window->newDocument();
                others.emplace_back(added, added->document().image());
            });
            if (closeTarget)
                QTimer::singleShot(500, window.get(), [&] { sub(target)->close(); });
            const std::size_t before = responder.messages().size();
            press(target, c.button);
            ASSERT_EQ(responder.messages().size(), before + 1) << label;
            EXPECT_EQ(lastMessage().split(QLatin1Char('\n'))[0], QString::fromUtf8(closeTarget ? c.closedText : c.okText)) << label;
            if (closeTarget) {
                EXPECT_TRUE(target.isNull()) << label;
                const QString cause = QStringLiteral("the document window closed");
                EXPECT_TRUE(lastMessage().contains(cause) || window->statusBar()->currentMessage() == cause)
                    << label << ": " << lastMessage().toStdString();
            } else {
                ASSERT_FALSE(target.isNull());
                EXPECT_EQ(target->document().image(), c.expected()) << label;
                EXPECT_EQ(target->document().mark(2), std::string_view(c.button) == "Command3" ? Mark::Differs : Mark::Plain) << label;
            }
            for (const auto& [doc, image] : others) {
                EXPECT_EQ(doc->document().image(), image) << label;
                EXPECT_EQ(doc->undoStack()->count(), 0) << label;
                for (int i = 0; i < kSpdSize; ++i)
                    ASSERT_EQ(doc->document().mark(i), Mark::Plain) << label << " byte " << i;
            }
            EXPECT_TRUE(app.deviceIdle) << label;
            // The new window's status request waited for the command; it runs now.
            ASSERT_TRUE(QTest::qWaitFor([&] { return link.statusReplyTimer().isActive(); }, 4000)) << label;
            ASSERT_TRUE(QTest::qWaitFor([&] { return !link.statusReplyTimer().isActive() && !link.handshaking(); }, 4000)) << label;
            EXPECT_TRUE(link.pollTimer().isActive()) << label;
            for (const auto& entry : others)
                entry.first->document().setModified(false);
            for (QMdiSubWindow* s : window->workspace()->subWindowList())
                s->close();
        }
    }
}
