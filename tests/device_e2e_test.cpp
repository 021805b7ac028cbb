// tessaro-cli device against the programmer simulator on a pseudo-terminal:
// every transfer and tester command, the handshake with and without a device,
// polling, and the faults a real line can have.
#include "core/hex.h"
#include "device/operatormessages.h"
#include "device/protocol.h"
#include "device/serialline.h"
#include "files/spdfile.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace tessaro;
using test::SimProcess;

namespace {

std::string Line(const char* text)
{
    return std::string(text) + "\n";
}

std::string RowFrame(const SpdImage& image, int row)
{
    std::string text = DownloadRowText(image, row);
    return text.substr(0, 2) + " " + text.substr(2) + "<10><7F>";
}

class DeviceCli : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Starts the simulator; the image files it is given are written first.
    void startSim(QStringList args)
    {
        ASSERT_TRUE(sim.start(args << QStringLiteral("--fast")));
    }
    test::CommandResult device(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"device", "--port", sim.device().toStdString()});
        return test::RunCli(args);
    }
    std::string path(const char* name) { return QDir(dir.path()).filePath(QString::fromLatin1(name)).toStdString(); }
    std::string writeImage(const char* name, const SpdImage& image)
    {
        const std::string file = path(name);
        QString error;
        EXPECT_TRUE(WriteSpdFile(QString::fromStdString(file), image, SpdFormat::Binary, &error));
        return file;
    }
    SpdImage readImage(const std::string& file)
    {
        SpdImage image{};
        QString error;
        EXPECT_TRUE(ReadSpdFile(QString::fromStdString(file), image, &error)) << error.toStdString();
        return image;
    }

    QTemporaryDir dir;
    SimProcess sim;
};

}  // namespace

TEST_F(DeviceCli, StatusWithAndWithoutAProgrammer)
{
    startSim({"--version", "11", "--status", "A4"});
    auto r = device({"status"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Ver: 11\n電源短路: 1\n線路開路: 1\n線路短路: 0\n燒錄SPD: 1\n比對SPD: 0\n軟體保護(0-127): 0\n");
    EXPECT_EQ(sim.frames(), std::vector<std::string>{"q<10><7F>"});

    // A device that never answers, and a device that is not there.
    SimProcess silent;
    ASSERT_TRUE(silent.start({"--silent"}));
    r = test::RunCli({"device", "--port", silent.device().toStdString(), "status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kRs232Failed) + "no reply to the status request\n");
    EXPECT_TRUE(r.out.empty());
    // The message, then the device and the system's reason.
    r = test::RunCli({"device", "--port", path("no-such-tty"), "status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kStatusUnreadable) + "port " + path("no-such-tty") + ": No such file or directory\n");
    // A name without a slash is a path in the current directory, not one under /dev.
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    r = test::RunCli({"device", "--port", "ttyS0", "status"});
    QDir::setCurrent(here);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kStatusUnreadable) + "port " + path("ttyS0") + ": No such file or directory\n");
    r = test::RunCli({"device", "--port", "", "status"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "tessaro-cli: --port needs a device path, such as /dev/ttyUSB0");

    r = test::RunCli({"device", "status"});
    EXPECT_EQ(r.exitCode, 2);
    r = test::RunCli({"device", "--port", "x", "switch", "power", "on"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(DeviceCli, DownloadReadBackCompareAndErase)
{
    startSim({});
    SpdImage image = test::CountingImage();
    image[0] = 0x80;
    image[1] = 0x08;
    const std::string file = writeImage("image.bin", image);
    auto r = device({"program", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Line(msg::kCopyCheckSucceeded));
    std::vector<std::string> expected;
    for (int row = 0; row < 16; ++row)
        expected.push_back(RowFrame(image, row));
    expected.push_back("l<10><7F>");
    EXPECT_EQ(sim.frames(), expected);
    EXPECT_EQ(expected[0], "w0 800802030405060708090A0B0C0D0E0F<10><7F>");
    EXPECT_EQ(expected[15].substr(0, 3), "w? ");

    r = device({"read-programmer", "-o", path("back.spd")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Line(msg::kReadProgrammerOk) + "auto-serial: off\n");
    EXPECT_EQ(readImage(path("back.spd")), image);

    r = device({"verify", file});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Line(msg::kCompareEqual));
    SpdImage other = image;
    other[200] ^= 0x40;
    r = device({"verify", writeImage("other.bin", other)});
    EXPECT_EQ(r.exitCode, 1);
    // The message lists the byte (the file's value expected, the programmer's read) and names the port.
    EXPECT_EQ(r.err, Line(msg::kCompareDiffers) + "1 byte differs\noffset 200 (C8h): expected " + ByteToHex(other[200]) +
                         ", read " + ByteToHex(image[200]) + "\nport " + sim.device().toStdString() + "\n");

    r = device({"erase"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Line(msg::kEraseOk));
    r = device({"read-programmer", "-o", path("erased.bin")});
    EXPECT_EQ(readImage(path("erased.bin")), SpdImage{});
    const auto frames = sim.frames();
    EXPECT_EQ(std::vector<std::string>(frames.end() - 5, frames.end()),
              (std::vector<std::string>{"l<10><7F>", "l<10><7F>", "e<10><7F>", "l<10><7F>", "s<7F>"}));
}

TEST_F(DeviceCli, ReadModuleAndTheEmptySocket)
{
    SpdImage module = test::CountingImage();
    module[2] = 0x08;
    startSim({"--module", QString::fromStdString(writeImage("module.bin", module))});
    auto r = device({"read-module", "-o", path("read.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Line(msg::kReadModuleOk));
    EXPECT_EQ(readImage(path("read.bin")), module);

    SimProcess empty;
    ASSERT_TRUE(empty.start({"--fast"}));
    r = test::RunCli({"device", "--port", empty.device().toStdString(), "read-module", "-o", path("none.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kReadModuleFailed) + "the reply has 0 of 512 characters\n");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("none.bin"))));

    // An output that is no regular file is refused before the programmer is asked.
    const std::size_t framesBefore = sim.frames().size();
    r = device({"read-module", "-o", dir.path().toStdString()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("it is a folder"), std::string::npos) << r.err;
    EXPECT_EQ(sim.frames().size(), framesBefore);
}

TEST_F(DeviceCli, SerialNumberingTesterCommandsAndSwitches)
{
    startSim({"--module", QString::fromStdString(writeImage("module.bin", test::CountingImage()))});
    EXPECT_EQ(device({"auto-serial", "on"}).exitCode, 0);
    auto r = device({"read-programmer", "-o", path("p.bin")});
    EXPECT_EQ(r.out, Line(msg::kReadProgrammerOk) + "auto-serial: on\n");
    for (const char* word : {"read", "copy", "compare", "learn"})
        EXPECT_EQ(device({"tester", word}).exitCode, 0) << word;
    for (const char* what : {"power", "open", "short", "spd", "spd-verify", "protect"})
        for (const char* how : {"enable", "disable"})
            EXPECT_EQ(device({"switch", what, how}).exitCode, 0) << what << " " << how;
    std::vector<std::string> expected{"a<10><7F>", "l<10><7F>", "s<7F>",
                                      "a<10><7F>",  // the box's new state goes back to the programmer
                                      "r<10><7F>", "c<10><7F>", "v<10><7F>", "n<10><7F>"};
    for (const char* pair : {"xX", "oO", "sS", "dD", "yY", "bB"})
        for (int i = 0; i < 2; ++i)
            expected.push_back(std::string(1, pair[i]) + "<10><7F>");
    EXPECT_EQ(sim.frames(), expected);

    // Enabled and disabled switches show in the status the boxes take.
    device({"switch", "open", "enable"});
    device({"switch", "protect", "enable"});
    r = device({"status"});
    EXPECT_EQ(r.out, "Ver: 10\n電源短路: 1\n線路開路: 0\n線路短路: 1\n燒錄SPD: 1\n比對SPD: 1\n軟體保護(0-127): 0\n");
}

TEST_F(DeviceCli, ModuleTestsPrintTheirRecordAndLaterRecordsArePolled)
{
    SpdImage module = test::CountingImage();
    module[2] = 0x08;  // DDR2 DIMM 240
    const QString moduleFile = QString::fromStdString(writeImage("module.bin", module));
    // The record 500 ms after the test command: printed, and kept in the test's log record.
    startSim({"--module", moduleFile, "--fail", "short", "--fail-pins", "3,17"});
    auto r = device({"tester", "test"});
    EXPECT_EQ(r.exitCode, 1);  // the module failed the test
    EXPECT_EQ(r.out.rfind("result: SHORT FAIL\npassed: 0\nfailed: 1\npass pins: 0 1 2 4 5", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nfail pins: 3 17\n"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
    r = test::RunCli({"log", "--json"});
    const std::string last = r.out.substr(r.out.rfind('{'));
    for (const char* field : {"\"operation\": \"tester test\"", "\"test_result\": \"SHORT FAIL\"", "\"fail_pins\": \"3 17\""})
        EXPECT_NE(last.find(field), std::string::npos) << field << " in " << last;
    r = device({"tester", "test"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("result: PASS\npassed: 1\nfailed: 0\n", 0), 0u) << r.out;
    sim.stop();

    // A record later than the wait fails the test command and is read by a following poll.
    SimProcess slow;
    ASSERT_TRUE(slow.start({"--fast", "--module", moduleFile, "--fail", "open", "--test-delay", "3500"}));
    const std::string port = slow.device().toStdString();
    r = test::RunCli({"device", "--port", port, "tester", "test"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kTestFailed) + "no test record came within 2 s of the test command\nport " + port + "\n");
    r = test::RunCli({"device", "--port", port, "poll", "--count", "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("result: OPEN FAIL\n", 0), 0u) << r.out;
    // A tick without a record prints nothing.
    r = test::RunCli({"device", "--port", port, "poll"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty());
}

TEST_F(DeviceCli, LargerImagesAreRefusedAndTwoNamesOfOneDeviceExcludeEachOther)
{
    const QString link = QString::fromStdString(path("ttySPD"));
    startSim({"--link", link});
    // 512 and 1024 bytes: nothing is sent, nothing is logged.
    const std::string before = test::RunCli({"log", "--json"}).out;
    for (const auto& [size, type, generation] : {std::tuple{512, 0x0C, "DDR4"}, std::tuple{1024, 0x12, "DDR5"}}) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        bytes[2] = static_cast<char>(type);
        const std::string file = path("large.bin");
        test::WriteAll(file, bytes);
        for (const char* command : {"program", "verify"}) {
            const auto r = device({command, file});
            EXPECT_EQ(r.exitCode, 1) << command;
            EXPECT_EQ(r.err, msg::LargerImageRefusal(size, generation) + "\n") << command;
            EXPECT_TRUE(r.out.empty()) << r.out;
        }
    }
    EXPECT_TRUE(sim.frames().empty());
    EXPECT_EQ(test::RunCli({"log", "--json"}).out, before);
    // The first page of a DDR4 image, as the programmer reads it from a DDR4 module, goes back as it came.
    std::string page(256, '\0');
    page[2] = 0x0C;
    test::WriteAll(path("page.bin"), page);
    EXPECT_EQ(device({"program", path("page.bin")}).exitCode, 0);
    EXPECT_EQ(device({"verify", path("page.bin")}).exitCode, 0);

    // A command holding the device through its link keeps out one through its own name, and the other way round.
    for (const auto& [held, other] : {std::pair{link, sim.device()}, std::pair{sim.device(), link}}) {
        QtSerialLine line([held = held](int) { return held; });
        ASSERT_TRUE(line.open()) << line.errorText().toStdString();
        line.close();  // closed between two steps of one command, the device stays held
        const auto r = test::RunCli({"device", "--port", other.toStdString(), "status"});
        EXPECT_EQ(r.exitCode, 1);
        const std::string real = QFileInfo(other).canonicalFilePath() == other ? std::string()
                                                                                : " (" + sim.device().toStdString() + ")";
        EXPECT_EQ(r.err, Line(msg::kStatusUnreadable) + "port " + other.toStdString() +
                             ": another command is using this device" + real + "\n");
    }
    EXPECT_EQ(device({"status"}).exitCode, 0);  // free again
}

TEST_F(DeviceCli, UnpluggedDuringADownload)
{
    startSim({"--unplug-after", "5"});
    const auto r = device({"program", writeImage("image.bin", test::CountingImage())});
    EXPECT_EQ(r.exitCode, 1);
    // One message: the failure, the row that did not leave, the device and the system's reason.
    const QStringList lines = QString::fromStdString(r.err).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << r.err;
    EXPECT_EQ(lines[0].toStdString(), msg::kDownloadFailed);
    EXPECT_EQ(lines[1], QStringLiteral("row 6 / 16 was not sent")) << r.err;
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("port ") + sim.device() + QStringLiteral(": write: "))) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(sim.frames().size(), 5u);
}

TEST_F(DeviceCli, ShortFlippedAndLostRepliesAreReportedAndWriteNothing)
{
    startSim({"--fault-short", "1", "--fault-seed", "7"});
    auto r = device({"read-programmer", "-o", path("short.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind(Line(msg::kReadProgrammerFailed) + "the reply has ", 0), 0u) << r.err;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("short.bin"))));
    EXPECT_NE(sim.stop().find("short 1"), std::string::npos);

    SimProcess flipping;
    ASSERT_TRUE(flipping.start({"--fast", "--fault-flip", "1", "--spd",
                                QString::fromStdString(writeImage("stored.bin", test::CountingImage()))}));
    r = test::RunCli({"device", "--port", flipping.device().toStdString(), "verify", path("stored.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind(Line(msg::kCompareDiffers) + "1 byte differs\noffset ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nport " + flipping.device().toStdString() + "\n"), std::string::npos) << r.err;

    SimProcess losing;
    ASSERT_TRUE(losing.start({"--fast", "--fault-lost-write", "1"}));
    r = test::RunCli({"device", "--port", losing.device().toStdString(), "program", path("stored.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind(Line(msg::kCopyCheckDiffers) + "255 bytes differ\noffset 1 (01h): expected 01, read 00\n", 0), 0u)
        << r.err;
    EXPECT_NE(losing.stop().find("lost-writes 16"), std::string::npos);

    // The dump arrives, the reply to the serial-numbering query is dropped (this seed).
    SimProcess dropping;
    ASSERT_TRUE(dropping.start({"--fast", "--fault-drop", "0.5", "--fault-seed", "3"}));
    r = test::RunCli({"device", "--port", dropping.device().toStdString(), "read-programmer", "-o", path("drop.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Line(msg::kReadProgrammerFailed) + "no reply to the serial-numbering query\n");
}

TEST_F(DeviceCli, LineNoiseIsAFailedReadAndAWrongChecksumAWarning)
{
    SpdImage module = test::CountingImage();
    module[63] = 0x00;  // a checksum that does not match
    const QString moduleFile = QString::fromStdString(writeImage("module.bin", module));
    for (const char* noise : {"random", "garbled"}) {
        SimProcess noisy;
        ASSERT_TRUE(noisy.start({"--fast", "--module", moduleFile, "--spd", moduleFile, "--noise", noise}));
        const std::string port = noisy.device().toStdString();
        auto r = test::RunCli({"device", "--port", port, "read-module", "-o", path("noise.bin")});
        EXPECT_EQ(r.exitCode, 1) << noise;
        EXPECT_EQ(r.err.rfind(Line(msg::kReadModuleFailed) + "reply character ", 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        r = test::RunCli({"device", "--port", port, "read-programmer", "-o", path("noise.bin")});
        EXPECT_EQ(r.exitCode, 1) << noise;
        EXPECT_EQ(r.err.rfind(Line(msg::kReadProgrammerFailed) + "reply character ", 0), 0u) << r.err;
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("noise.bin")))) << noise;
    }

    // A flood of "F" is a complete dump: saved as read, with a warning.
    SimProcess flood;
    ASSERT_TRUE(flood.start({"--fast", "--module", moduleFile, "--noise", "ff"}));
    auto r = test::RunCli({"device", "--port", flood.device().toStdString(), "read-module", "-o", path("ff.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Line(msg::kReadModuleOk));
    EXPECT_EQ(r.err, "warning: checksum mismatch: byte 63 holds FF, the sum of bytes 0-62 is C1\n");
    SpdImage all{};
    all.fill(0xFF);
    EXPECT_EQ(readImage(path("ff.bin")), all);

    // The module as it is: kept byte for byte, its wrong checksum pointed out.
    SimProcess plain;
    ASSERT_TRUE(plain.start({"--fast", "--module", moduleFile}));
    r = test::RunCli({"device", "--port", plain.device().toStdString(), "read-module", "-o", path("m.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "warning: checksum mismatch: byte 63 holds 00, the sum of bytes 0-62 is A1\n");
    EXPECT_EQ(readImage(path("m.bin")), module);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
