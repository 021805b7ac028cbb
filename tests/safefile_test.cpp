// Saves that cannot destroy: failures at every step of a write leave the old
// file and nothing else; inputs and outputs must be regular files; the command
// line refuses to write over its own input and fails loudly on a full disk.
#include "core/checks.h"
#include "files/filename.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tessaro;
using test::RunCli;

namespace {

class SafeWrite : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    [[nodiscard]] QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }
    [[nodiscard]] std::string file(const char* name) const { return path(name).toStdString(); }
    [[nodiscard]] QStringList entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    QTemporaryDir dir;
};

// A write of the system that fails with the error after `allowed` bytes.
SaveSystemCalls FailingWrite(std::size_t allowed, int code)
{
    SaveSystemCalls calls = RealSaveSystemCalls();
    auto written = std::make_shared<std::size_t>(0);
    calls.write = [written, allowed, code](int fd, const char* data, std::size_t size) -> ssize_t {
        if (*written >= allowed) {
            errno = code;
            return -1;
        }
        const std::size_t now = std::min(size, allowed - *written);
        *written += now;
        return ::write(fd, data, now);
    };
    return calls;
}

}  // namespace

TEST_F(SafeWrite, EveryFailingStepLeavesTheOldFileAndNoTemporary)
{
    const QByteArray data(300, 'n');
    struct Case {
        const char* step;
        SaveSystemCalls calls;
        const char* reason;
    };
    SaveSystemCalls zero = RealSaveSystemCalls();
    zero.write = [](int, const char*, std::size_t) -> ssize_t { return 0; };
    SaveSystemCalls sync = RealSaveSystemCalls();
    sync.sync = [](int) { errno = EIO; return -1; };
    SaveSystemCalls close = RealSaveSystemCalls();
    close.close = [](int fd) { ::close(fd); errno = EDQUOT; return -1; };
    SaveSystemCalls rename = RealSaveSystemCalls();
    rename.rename = [](const char*, const char*) { errno = EXDEV; return -1; };
    const Case cases[] = {
        {"disk full at once", FailingWrite(0, ENOSPC), "No space left on device"},
        {"disk full midway", FailingWrite(100, ENOSPC), "No space left on device"},
        {"write makes no progress", zero, "Input/output error"},
        {"sync", sync, "Input/output error"},
        {"close", close, "Disk quota exceeded"},
        {"rename", rename, "Invalid cross-device link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        test::WriteAll(file("g.bin"), "the old file");
        SaveSystemCallsOverride faults(c.calls);
        QString error;
        EXPECT_FALSE(WriteFileAtomically(path("g.bin"), data, &error));
        EXPECT_EQ(error, QStringLiteral("cannot write \"%1\": %2").arg(path("g.bin"), QLatin1String(c.reason)));
        EXPECT_EQ(test::ReadAll(file("g.bin")), "the old file");
        EXPECT_EQ(entries(), QStringList({"g.bin"}));
    }
}

TEST_F(SafeWrite, ShortAndInterruptedWritesAreCompleted)
{
    SaveSystemCalls trickle = RealSaveSystemCalls();
    auto calls = std::make_shared<int>(0);
    trickle.write = [calls](int fd, const char* data, std::size_t) -> ssize_t {
        if (++*calls % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, 1);
    };
    SaveSystemCallsOverride slow(trickle);
    const QByteArray data("0123456789abcdef");
    ASSERT_TRUE(WriteFileAtomically(path("t.bin"), data, nullptr));
    EXPECT_EQ(test::ReadAll(file("t.bin")), data.toStdString());
}

TEST_F(SafeWrite, KeepsPermissionsAndWritesThroughLinks)
{
    test::WriteAll(file("real.bin"), "old");
    ASSERT_EQ(::chmod(file("real.bin").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.bin", file("link.bin").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(path("link.bin"), "new", nullptr));
    EXPECT_TRUE(QFileInfo(path("link.bin")).isSymLink()) << "the link stays a link";
    EXPECT_EQ(test::ReadAll(file("real.bin")), "new");
    struct stat st {};
    ASSERT_EQ(::stat(file("real.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), QStringList({"link.bin", "real.bin"}));

    ASSERT_EQ(::symlink("gone.bin", file("dangling.bin").c_str()), 0);
    QString error;
    EXPECT_FALSE(WriteFileAtomically(path("dangling.bin"), "x", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("link"))) << error.toStdString();
}

TEST_F(SafeWrite, OnlyRegularFilesAreReadOrReplaced)
{
    ASSERT_EQ(::mkfifo(file("fifo.spd").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", file("zero.spd").c_str()), 0);
    QDir(dir.path()).mkdir(QStringLiteral("folder.bin"));
    const struct {
        const char* name;
        const char* reason;
    } special[] = {
        {"fifo.spd", "it is a FIFO, not a regular file"},
        {"zero.spd", "it is a device, not a regular file"},
        {"folder.bin", "it is a folder"},
    };
    for (const auto& s : special) {
        SCOPED_TRACE(s.name);
        SpdImage image = test::CountingImage();
        QString error;
        // A FIFO must not be opened for reading: with no writer it would hang here.
        EXPECT_FALSE(ReadSpdFile(path(s.name), image, &error));
        EXPECT_EQ(error, QStringLiteral("cannot read \"%1\": %2").arg(path(s.name), QLatin1String(s.reason)));
        EXPECT_EQ(image, test::CountingImage());

        EXPECT_FALSE(WriteSpdFile(path(s.name), image, SpdFormat::Binary, &error));
        EXPECT_EQ(error, QStringLiteral("cannot write \"%1\": %2").arg(path(s.name), QLatin1String(s.reason)));
    }
    struct stat st {};
    ASSERT_EQ(::lstat(file("fifo.spd").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is still a FIFO";
    EXPECT_TRUE(QFileInfo(path("zero.spd")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("folder.bin")).isDir());
}

TEST_F(SafeWrite, CommandLineRefusesSpecialFilesAndItsOwnInput)
{
    ASSERT_TRUE(WriteSpdFile(path("g.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    const std::string original = test::ReadAll(file("g.bin"));
    ASSERT_EQ(::mkfifo(file("pipe.bin").c_str(), 0600), 0);
    ASSERT_EQ(::link(file("g.bin").c_str(), file("hard.bin").c_str()), 0);

    auto refused = [&](const std::vector<std::string>& args, const std::string& reason) {
        SCOPED_TRACE(args.front() + " " + args.back());
        const test::CommandResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(test::ReadAll(file("g.bin")), original);
    };
    refused({"decode", file("pipe.bin")}, "it is a FIFO, not a regular file");
    refused({"fix", file("g.bin"), "-o", file("pipe.bin")}, "it is a FIFO, not a regular file");
    refused({"fix", file("g.bin"), "-o", file("g.bin")}, "it is the input file");
    refused({"convert", file("g.bin"), file("hard.bin")}, "it is the input file");
    refused({"convert", file("g.bin"), dir.path().toStdString()}, "it is a folder");
    refused({"report", file("g.bin"), "--pdf", file("hard.bin")}, "it is the SPD file the report is made from");
    struct stat st {};
    ASSERT_EQ(::lstat(file("pipe.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(SafeWrite, FixInPlaceSaysWhatFollowedTheImage)
{
    std::string longer = SpdBinaryBytes(test::CountingImage());
    test::WriteAll(file("long.bin"), longer + std::string(44, '\xEE'));
    const test::CommandResult r = RunCli({"fix", file("long.bin")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "tessaro-cli: note: 44 bytes after the image in \"" + file("long.bin") + "\" were dropped\n");
    EXPECT_EQ(test::ReadAll(file("long.bin")).size(), 256u);

    test::WriteAll(file("exact.bin"), longer);
    EXPECT_EQ(RunCli({"fix", file("exact.bin")}).err, "");
}

// The real thing: a file system that is full. Needs a private mount
// namespace (root, or unprivileged user namespaces); skipped otherwise.
TEST_F(SafeWrite, FullDiskFailsLoudlyAndKeepsEveryFile)
{
    ASSERT_TRUE(WriteSpdFile(path("a.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    const std::string script =
        "set -u; m='" + file("mnt") + "'; mkdir -p \"$m\" && mount -t tmpfs -o size=8k tmpfs \"$m\" || exit 77\n"
        "cp '" + file("a.bin") + "' \"$m/g.bin\"; cp '" + file("a.bin") + "' \"$m/h.bin\"\n"
        "head -c 8192 /dev/zero > \"$m/fill\" 2>/dev/null\n"
        "cli='" TESSARO_CLI "'\n"
        "\"$cli\" fix --mode checksum \"$m/g.bin\"; echo \"fix=$?\"\n"
        "\"$cli\" convert \"$m/g.bin\" \"$m/h.bin\"; echo \"convert=$?\"\n"
        "\"$cli\" report \"$m/g.bin\" --pdf \"$m/h.bin\" 2>&1; echo \"report=$?\"\n"
        "cmp -s '" + file("a.bin") + "' \"$m/g.bin\" && echo g-intact\n"
        "cmp -s '" + file("a.bin") + "' \"$m/h.bin\" && echo h-intact\n"
        "ls -A \"$m\" | tr '\\n' ' '; echo\n";
    test::WriteAll(file("full.sh"), script);
    const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
    const test::CommandResult r =
        test::RunShell(unshare + " sh " + file("full.sh") + " 2>&1; echo \"status=$?\"");
    if (r.out.find("status=77") != std::string::npos || r.out.find("fix=") == std::string::npos)
        GTEST_SKIP() << "a tmpfs cannot be mounted here: " << r.out;
    EXPECT_NE(r.out.find("No space left on device"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("fix=1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("convert=1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("report=1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("g-intact"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("h-intact"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("fill g.bin h.bin \n"), std::string::npos) << "no temporary file left: " << r.out;
}

TEST_F(SafeWrite, NamesNearTheLimitAreSavedAndProtectedFilesAreNot)
{
    // The temporary name must fit where the target's name fits.
    for (const std::size_t length : {246u, 250u, 255u}) {
        const QString name = QDir(dir.path()).filePath(QString(static_cast<qsizetype>(length - 4), u'n') + QStringLiteral(".bin"));
        QString error;
        EXPECT_TRUE(WriteFileAtomically(name, "new", &error)) << length << ": " << error.toStdString();
        EXPECT_TRUE(WriteFileAtomically(name, "again", &error)) << length << ": " << error.toStdString();
        EXPECT_EQ(test::ReadAll(name.toStdString()), "again");
    }
    EXPECT_EQ(entries().size(), 3);

    test::WriteAll(file("log.sqlite"), "the log");
    ASSERT_EQ(::link(file("log.sqlite").c_str(), file("hard.bin").c_str()), 0);
    ASSERT_EQ(::symlink("log.sqlite", file("soft.bin").c_str()), 0);
    {
        const ProtectedFile guard(path("log.sqlite"), QStringLiteral("the production log database"));
        for (const char* name : {"log.sqlite", "hard.bin", "soft.bin"}) {
            QString error;
            EXPECT_FALSE(WriteFileAtomically(path(name), "image", &error)) << name;
            EXPECT_EQ(error, QStringLiteral("cannot write \"%1\": it is the production log database \"%2\"")
                                 .arg(path(name), path("log.sqlite")));
        }
        EXPECT_EQ(test::ReadAll(file("log.sqlite")), "the log");
    }
    EXPECT_TRUE(WriteFileAtomically(path("soft.bin"), "image", nullptr)) << "free again without its guard";
}

TEST(FileNames, AnyBytesGoThroughAQStringUnchanged)
{
    const std::string names[] = {"plain.bin", "mod\xe9.bin", "mod\xef\xbf\xbd.bin", "\xff\xfe", "\xed\xb2\x80 surrogate",
                                 "\xc0\xaf overlong", "cut \xe2\x82", "\xf0\x9f\x98\x80 pair \xe9", "站 1"};
    for (const std::string& name : names) {
        const QString held = FileNameFromBytes(name);
        EXPECT_EQ(FileNameString(held), name);
        const bool utf8 = name.find_first_of("\xe9\xff\xed\xc0\xe2") == std::string::npos;
        EXPECT_EQ(held == QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), utf8) << name;
    }
}

TEST_F(SafeWrite, CommandLineWritesTheFileItWasNamed)
{
    // mod<E9>.bin is no UTF-8; mod<U+FFFD>.bin is what a lossy reading of that name gives.
    const auto raw = [&](const char* name) { return dir.path().toStdString() + '/' + name; };
    SpdImage image = test::CountingImage();
    ASSERT_TRUE(WriteSpdFile(FileNameFromBytes(raw("mod\xe9.bin")), image, SpdFormat::Binary, nullptr));
    test::WriteAll(raw("mod\xef\xbf\xbd.bin"), std::string(1024, 'u'));
    const std::string script = "cd '" + dir.path().toStdString() + "' && cli='" TESSARO_CLI "'\n"
        "e=$(printf 'mod\\351.bin'); o=$(printf 'out\\351')\n"
        "\"$cli\" fix \"$e\" >/dev/null; echo \"fix=$?\"\n"
        "\"$cli\" convert \"$e\" \"$o.spd\"; echo \"convert=$?\"\n"
        "\"$cli\" report \"$e\" --pdf \"$o.pdf\"; echo \"report=$?\"\n"
        "\"$cli\" wizard --type ddr2 -o \"$o.bin\"; echo \"wizard=$?\"\n"
        "\"$cli\" decode \"$e\" | head -1 | od -An -c\n";
    const test::CommandResult r = test::RunShell(script);
    // decode's listing shows the name safely for a terminal: the byte that is no UTF-8 as U+FFFD.
    for (const char* done : {"fix=0", "convert=0", "report=0", "wizard=0", "m   o   d 357 277 275   .   b   i   n"})
        EXPECT_NE(r.out.find(done), std::string::npos) << done << "\n" << r.out << r.err;
    image[63] = Checksum63(image);
    EXPECT_EQ(test::ReadAll(raw("mod\xe9.bin")), SpdBinaryBytes(image));
    EXPECT_EQ(test::ReadAll(raw("mod\xef\xbf\xbd.bin")), std::string(1024, 'u')) << "the other file is untouched";
    EXPECT_EQ(test::ReadAll(raw("out\xe9.spd")), SpdTextBytes(image));
    // The folder as the system lists it (a Qt listing would lose the bytes); emptied for its removal.
    std::vector<std::string> names;
    DIR* listing = ::opendir(dir.path().toLocal8Bit().constData());
    ASSERT_NE(listing, nullptr);
    while (const dirent* entry = ::readdir(listing))
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    for (const std::string& name : names)
        ::unlink(raw(name.c_str()).c_str());
    const std::vector<std::string> expected = {"mod\xe9.bin", "mod\xef\xbf\xbd.bin", "out\xe9.bin", "out\xe9.pdf",
                                               "out\xe9.spd"};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
}

TEST_F(SafeWrite, CommandLineFailsWhenStandardOutputCannotBeWritten)
{
    ASSERT_TRUE(WriteSpdFile(path("g.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    ASSERT_TRUE(WriteSpdFile(path("h.bin"), SpdImage{}, SpdFormat::Binary, nullptr));
    const std::string g = file("g.bin");
    const std::string commands[] = {"decode " + g, "decode --json " + g, "jedec 7F7F9E", "report " + g,
                                    "compare " + g + " " + file("h.bin"), "fix " + g, "--help"};
    const struct {
        const char* redirect;
        const char* reason;
    } outputs[] = {{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}};
    for (const std::string& command : commands) {
        for (const auto& output : outputs) {
            SCOPED_TRACE(command + " " + output.redirect);
            const test::CommandResult r =
                test::RunShell("'" TESSARO_CLI "' " + command + " " + output.redirect + "; echo \"status=$?\" >&2");
            EXPECT_EQ(r.err, std::string("tessaro-cli: cannot write standard output: ") + output.reason +
                                 "\nstatus=1\n");
        }
    }
}

// As an ordinary user: root may write any file, as with cp.
TEST_F(SafeWrite, CommandLineRefusesFilesTheUserMayNotWrite)
{
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0777), 0);
    ASSERT_TRUE(WriteSpdFile(path("in.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    ASSERT_TRUE(WriteSpdFile(path("ro.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    ASSERT_EQ(::chmod(file("ro.bin").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(file("in.bin").c_str(), 0644), 0);
    std::string asUser = "'" TESSARO_CLI "'";
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as root without setpriv to become an ordinary user";
        asUser = "HOME=/nonexistent XDG_CONFIG_HOME=/nonexistent setpriv --reuid=65534 --regid=65534 --clear-groups " + asUser;
    }
    const std::string original = test::ReadAll(file("ro.bin"));
    for (const std::string& command : {"fix " + file("ro.bin"), "convert " + file("in.bin") + " " + file("ro.bin")}) {
        SCOPED_TRACE(command);
        const test::CommandResult r = test::RunShell(asUser + " " + command + "; echo \"status=$?\"");
        EXPECT_EQ(r.out, "status=1\n");
        EXPECT_EQ(r.err, "tessaro-cli: cannot write \"" + file("ro.bin") + "\": Permission denied\n");
        EXPECT_EQ(test::ReadAll(file("ro.bin")), original);
    }
}
