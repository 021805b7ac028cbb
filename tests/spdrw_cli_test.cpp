// tessaro-cli spdrw against tessaro-spdrw-sim on a pseudo-terminal: every
// command, every fault of the simulator and every refusal of the write rules.
#include "core/checks.h"
#include "decode/moduledecode.h"
#include "simprocess.h"
#include "spdrwimages.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes MakeImage(int size, std::uint8_t byte2, int seed)
{
    return test::MakeModuleImage(size, byte2, seed);
}

struct Case {
    const char* name = "";
    QStringList sim = {};               // simulator options ({dir} stands for the files' folder)
    std::vector<std::string> cli = {};  // after "spdrw --port DEVICE"
    int exit = 0;
    std::string out = {};               // part of stdout ("=" first: all of it)
    std::string err = {};               // part of stderr
    std::string moduleAfter = {};       // file whose bytes the module at 0x50 holds after it; empty: not checked
    bool outputWritten = false;      // read -o: the file exists afterwards
};

class SpdrwCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        write("ddr3", MakeImage(256, 0x0B, 1));
        write("ddr3b", MakeImage(256, 0x0B, 2));
        write("ddr2", MakeImage(256, 0x08, 3));
        Bytes high = MakeImage(256, 0x0B, 1);
        high[200] ^= 0x01;  // above the protectable block and outside the CRC
        write("ddr3high", high);
        write("ddr4", MakeImage(512, 0x0C, 1));
        write("ddr4b", MakeImage(512, 0x0C, 2));
        Bytes oneByte = MakeImage(512, 0x0C, 1);
        oneByte[0x140] ^= 0x01;
        FixCrcBlocks(oneByte);
        write("ddr4one", oneByte);
        Bytes badCrc = MakeImage(512, 0x0C, 2);
        badCrc[126] ^= 0xFF;
        write("ddr4badcrc", badCrc);
        write("ddr5", MakeImage(1024, 0x12, 1));
        write("ddr5b", MakeImage(1024, 0x12, 2));
    }
    std::string path(const std::string& name) const
    {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    void write(const std::string& name, const Bytes& bytes)
    {
        test::WriteAll(path(name + ".bin"), std::string(bytes.begin(), bytes.end()));
    }
    std::string file(const std::string& name) const { return path(name + ".bin"); }
    std::string saved(const std::string& name) const
    {
        return test::ReadAll(QDir(dir.path()).filePath(QStringLiteral("saved/") + QString::fromStdString(name)).toStdString());
    }
    QStringList simArgs(QStringList args) const
    {
        for (QString& a : args)
            a.replace(QStringLiteral("{dir}"), dir.path());
        QDir(dir.path()).mkpath(QStringLiteral("saved"));
        return args << QStringLiteral("--fast") << QStringLiteral("--save") << dir.filePath(QStringLiteral("saved"));
    }
    test::CommandResult spdrw(const test::SimProcess& sim, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"spdrw", "--port", sim.device().toStdString()});
        for (std::string& a : args)
            if (a.rfind("{", 0) == 0)
                a = file(a.substr(1, a.size() - 2));
        return test::RunCli(args);
    }
    void run(const Case& c)
    {
        SCOPED_TRACE(c.name);
        test::SimProcess sim;
        ASSERT_TRUE(sim.start(simArgs(c.sim)));
        const std::string out = path("out.bin");
        QFile::remove(QString::fromStdString(out));
        std::vector<std::string> args = c.cli;
        for (std::string& a : args)
            if (a == "OUT")
                a = out;
        const test::CommandResult r = spdrw(sim, args);
        EXPECT_EQ(r.exitCode, c.exit) << r.err;
        if (c.out.rfind("=", 0) == 0)
            EXPECT_EQ(r.out, c.out.substr(1));
        else
            EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(QFile::exists(QString::fromStdString(out)), c.outputWritten);
        sim.stop();
        if (!c.moduleAfter.empty()) {
            EXPECT_EQ(saved("0x50.bin"), test::ReadAll(file(c.moduleAfter)));
        }
    }

    QTemporaryDir dir;
};

const QString M50 = QStringLiteral("--module");

}  // namespace

TEST_F(SpdrwCli, InfoReadVerifyAndTheLink)
{
    const QStringList ddr4 = {M50, QStringLiteral("0x50={dir}/ddr4.bin")};
    const std::vector<Case> cases{
        {"info of every generation",
         {M50, "0x50={dir}/ddr5.bin", M50, "0x52={dir}/ddr4.bin", "--protect", "0x52=0,1", M50, "0x53={dir}/ddr3.bin",
          "--permanent", "0x53", "--name", "bench-1"},
         {"info"}, 0,
         "=firmware: 20231207\nname: bench-1\nclock: 400 kHz\n"
         "0x50: DDR5, 1024 bytes, protected blocks: none (of 0-15), permanent: no, offline mode: no\n"
         "0x52: DDR4, 512 bytes, protected blocks: 0 1 (of 0-3), permanent: no\n"
         "0x53: DDR3, 256 bytes, protected blocks: none (of 0), permanent: yes\n",
         ""},
        {"info as JSON, standard clock, no name", {M50, "0x50={dir}/ddr4.bin", "--clock", "100"}, {"--json", "info"}, 0,
         "={\"firmware\":20231207,\"name\":\"\",\"clockKHz\":100,\"modules\":[{\"address\":\"0x50\",\"generation\":"
         "\"DDR4\",\"size\":512,\"blocks\":4,\"protected\":[],\"clear\":[0,1,2,3],\"permanent\":false}]}\n",
         ""},
        {"read", ddr4, {"read", "-o", "OUT"}, 0, "=read 512 bytes from 0x50 (DDR4)\n", "", "", true},
        {"read, two modules and no address", {M50, "0x50={dir}/ddr4.bin", M50, "0x52={dir}/ddr3.bin"},
         {"read", "-o", "OUT"}, 1, "", "modules answer at 0x50 0x52: choose one with --address"},
        {"read, no module", {}, {"read", "-o", "OUT"}, 1, "", "no module answers at 0x50-0x57"},
        {"read of an absent address", ddr4, {"--address", "0x51", "read", "-o", "OUT"}, 1, "",
         "no module answers at 0x51"},
        {"read, a flipped bit", ddr4 + QStringList{"--fail", "flip"}, {"read", "-o", "OUT"}, 1, "",
         "two reads of 0x50 differ in 1 byte"},
        {"read, a bad check byte", ddr4 + QStringList{"--fail", "bad-sum"}, {"read", "-o", "OUT"}, 1, "",
         "bad reply from the SPD reader/writer"},
        {"read, a stuck bus", ddr4 + QStringList{"--fail", "stuck-bus"}, {"read", "-o", "OUT"}, 1, "",
         "within 1.5 s: its firmware may hang on a stuck module bus"},
        {"read, disconnected", ddr4 + QStringList{"--fail", "disconnect-after=20"}, {"read", "-o", "OUT"}, 1, "",
         "the reader/writer was disconnected"},
        {"no reply at all", ddr4 + QStringList{"--fail", "no-reply"}, {"info"}, 1, "",
         "the device does not answer the communication test"},
        {"old firmware", ddr4 + QStringList{"--version", "20231205"}, {"info"}, 1, "",
         "firmware 20231205, which is too old; firmware 20231207 or later is needed"},
        {"older protocol", ddr4 + QStringList{"--protocol", "3", "--version", "20230405"}, {"info"}, 1, "",
         "firmware 20230405 of the older protocol with letter commands; firmware 20231207 or later is needed"},
        {"verify, equal", ddr4, {"verify", "{ddr4}"}, 0, "=", ""},
        {"verify, one byte differs", ddr4, {"verify", "{ddr4one}"}, 1,
         "=offset 0x140: file E0, module E1\n", ""},
        {"verify, other size", ddr4, {"verify", "{ddr5}"}, 1, "", "holds 1024 bytes but the module at 0x50 is DDR4"},
        {"usage: bad address", ddr4, {"--address", "0x58", "info"}, 2, "", "invalid --address \"0x58\""},
        {"usage: unknown command", ddr4, {"erase"}, 2, "", "unknown spdrw command"},
        {"usage: unreadable file", ddr4, {"write", "{missing}"}, 2, "", "missing.bin"},
        {"usage: block 16", ddr4, {"protect", "set", "16"}, 2, "", "invalid BLOCK \"16\""},
    };
    for (const Case& c : cases)
        run(c);
}

TEST_F(SpdrwCli, WriteRulesAndFaults)
{
    const QStringList ddr4 = {M50, QStringLiteral("0x50={dir}/ddr4.bin")};
    const QStringList ddr5 = {M50, QStringLiteral("0x50={dir}/ddr5.bin")};
    const QStringList ddr3 = {M50, QStringLiteral("0x50={dir}/ddr3.bin")};
    const std::string restore = "to put the backup back: tessaro-cli log --image ";
    const std::vector<Case> cases{
        {"DDR5, every page differs", ddr5, {"write", "{ddr5b}"}, 0, "0x50: wrote ", "", "ddr5b"},
        {"DDR4, one byte", ddr4, {"write", "{ddr4one}"}, 0, "=0x50: wrote 1 of 32 pages (16 bytes), verified\n", "",
         "ddr4one"},
        {"DDR3", ddr3, {"write", "{ddr3b}"}, 0, "verified", "", "ddr3b"},
        {"same image", ddr4, {"write", "{ddr4}"}, 0, "=0x50 already holds this image; nothing written\n", "", "ddr4"},
        {"other size", ddr4, {"write", "{ddr5}", "--force"}, 1, "",
         "the image holds 1024 bytes (DDR5) but the module at 0x50 is DDR4 with 512 bytes; nothing written", "ddr4"},
        {"other generation", ddr3, {"write", "{ddr2}"}, 1, "",
         "the image is DDR2 but the module at 0x50 is DDR3; --force writes it all the same; nothing written", "ddr3"},
        {"other generation, forced", ddr3, {"write", "{ddr2}", "--force"}, 0, "verified", "", "ddr2"},
        {"wrong CRC", ddr4, {"write", "{ddr4badcrc}"}, 1, "", "the image's check bytes are wrong (crc16_0_125", "ddr4"},
        {"wrong CRC, forced", ddr4, {"write", "{ddr4badcrc}", "--force"}, 0, "verified", "", "ddr4badcrc"},
        {"protected block", ddr4 + QStringList{"--protect", "0x50=1"}, {"write", "{ddr4b}", "--force"}, 1, "",
         "the image changes protected block 1 of 0x50 (DDR4, blocks of 128 bytes); clear the protection first: "
         "tessaro-cli spdrw --port ",
         "ddr4"},
        {"DDR5 protected block", ddr5 + QStringList{"--protect", "0x50=15", "--offline"}, {"write", "{ddr5b}"}, 1, "",
         "protected block 15 of 0x50 (DDR5, blocks of 64 bytes); clear the protection first: ", "ddr5"},
        {"DDR5 protected block, not offline", ddr5 + QStringList{"--protect", "0x50=15"}, {"write", "{ddr5b}"}, 1, "",
         "clear the protection first (the hub clears it only in offline mode", "ddr5"},
        {"DDR3, protected block 0, change above it", ddr3 + QStringList{"--protect", "0x50=0"}, {"write", "{ddr3high}"},
         0, "=0x50: wrote 1 of 16 pages (16 bytes), verified\n", "", "ddr3high"},
        {"permanent protection", ddr3 + QStringList{"--permanent", "0x50"}, {"write", "{ddr3b}"}, 1, "",
         "permanently protected; no command can clear", "ddr3"},
        {"refused page", ddr4 + QStringList{"--fail", "nack-page=3"}, {"write", "{ddr4b}"}, 1, "",
         "writing page 3 (bytes 0x030-0x03F) of 0x50 failed: the module did not accept it; pages written: 0-2 (3 of 32); " +
             restore},
        {"bit flipped in a read", ddr4 + QStringList{"--fail", "flip"}, {"write", "{ddr4b}"}, 1, "",
         "could not be read as the backup: two reads of 0x50 differ", "ddr4"},
        {"bit lost in the part", ddr4 + QStringList{"--fail", "flip-write"}, {"write", "{ddr4b}"}, 1, "",
         "the read-back of 0x50 differs from the image in 1 byte (first at offset 0x000"},
        {"bad check byte", ddr4 + QStringList{"--fail", "bad-sum"}, {"write", "{ddr4b}"}, 1, "",
         "bad reply from the SPD reader/writer", "ddr4"},
        {"disconnected mid-write", ddr4 + QStringList{"--fail", "disconnect-after=60"}, {"write", "{ddr4b}"}, 1, "",
         "the reader/writer was disconnected; pages written: 0-"},
        {"module removed mid-write", ddr4 + QStringList{"--remove-after", "0x50=55"}, {"write", "{ddr4b}"}, 1, "",
         "the module at 0x50 was removed during the write"},
        {"stuck bus", ddr4 + QStringList{"--fail", "stuck-bus"}, {"write", "{ddr4b}"}, 1, "", "no reply", "ddr4"},
    };
    for (const Case& c : cases)
        run(c);
}

TEST_F(SpdrwCli, Protection)
{
    const QStringList ddr4 = {M50, QStringLiteral("0x50={dir}/ddr4.bin"), QStringLiteral("--protect"),
                              QStringLiteral("0x50=0,1")};
    const QStringList ddr5 = {M50, QStringLiteral("0x50={dir}/ddr5.bin"), QStringLiteral("--protect"),
                              QStringLiteral("0x50=2")};
    const QStringList ddr3 = {M50, QStringLiteral("0x50={dir}/ddr3.bin")};
    const std::vector<Case> cases{
        {"DDR4 status", ddr4, {"protect", "status"}, 0,
         "=0x50: DDR4, blocks 0-3: protected 0 1, clear 2 3; permanent: no\n", ""},
        {"DDR4 set", ddr4, {"protect", "set", "3"}, 0, "=0x50: DDR4, blocks 0-3: protected 0 1 3, clear 2; permanent: no\n",
         ""},
        {"DDR4 block 4", ddr4, {"protect", "set", "4"}, 1, "",
         "block 4 does not exist on the DDR4 module at 0x50 (blocks 0-3)"},
        {"DDR4 clear", ddr4, {"protect", "clear"}, 0, "protected none, clear 0 1 2 3", ""},
        {"DDR5 clear, not offline", ddr5, {"protect", "clear"}, 1, "",
         "the DDR5 module at 0x50 keeps its protection: its hub clears it only in offline mode"},
        {"DDR5 clear, offline", ddr5 + QStringList{"--offline"}, {"protect", "clear"}, 0,
         "=0x50: DDR5, blocks 0-15: protected none, clear 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; permanent: no; "
         "offline mode: yes\n",
         ""},
        {"DDR5 set, JSON", ddr5, {"--json", "protect", "set", "15"}, 0,
         "\"protected\":[2,15],", ""},
        {"DDR3 set", ddr3, {"protect", "set", "0"}, 0, "=0x50: DDR3, block 0: protected; permanent: no\n", ""},
        {"DDR3 block 1", ddr3, {"protect", "set", "1"}, 1, "", "blocks 0)"},
    };
    for (const Case& c : cases)
        run(c);
}

// A failed write names its backup; the production log gives it back and a
// forced write puts it back on the module.
TEST_F(SpdrwCli, BackupFromTheLogPutsTheModuleBack)
{
    test::SimProcess sim;
    ASSERT_TRUE(sim.start(simArgs({M50, QStringLiteral("0x50={dir}/ddr4.bin"), QStringLiteral("--fail"),
                                   QStringLiteral("flip-write")})));
    const test::CommandResult failed = spdrw(sim, {"write", "{ddr4b}"});
    ASSERT_EQ(failed.exitCode, 1);
    const QRegularExpression sha(QStringLiteral("--image ([0-9a-f]{64}) -o OUT"));
    const auto match = sha.match(QString::fromStdString(failed.err));
    ASSERT_TRUE(match.hasMatch()) << failed.err;
    const std::string backup = path("backup.bin");
    const test::CommandResult fromLog = test::RunCli({"log", "--image", match.captured(1).toStdString(), "-o", backup});
    ASSERT_EQ(fromLog.exitCode, 0) << fromLog.err;
    EXPECT_EQ(test::ReadAll(backup), test::ReadAll(file("ddr4")));
    const test::CommandResult restored = spdrw(sim, {"write", backup, "--force"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(spdrw(sim, {"verify", "{ddr4}"}).exitCode, 0);
    // The log holds the backup, the failed write and the restore.
    const test::CommandResult log = test::RunCli({"log", "--text", dir.path().toStdString()});
    for (const char* line : {"spdrw backup  ok", "spdrw write  FAIL", "spdrw write  ok", "spdrw verify  ok"})
        EXPECT_NE(log.out.find(line), std::string::npos) << line << "\n" << log.out;
}
