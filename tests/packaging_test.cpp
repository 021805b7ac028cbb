// The .spd file type as the desktop sees it, and the serial-port permission
// advice.

#include "core/spdimage.h"
#include "device/serialline.h"
#include "files/spdformat.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

using namespace tessaro;

namespace {

// The file types as an installed system holds them: the system's package and
// ours in one database, built by update-mime-database as the package
// manager's trigger does, and nothing else.
class SpdFileType : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QString system = QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml");
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (tool.isEmpty() || !QFile::exists(system))
            return;
        dataDir = new QTemporaryDir;
        const QString packages = dataDir->filePath(QStringLiteral("mime/packages"));
        ASSERT_TRUE(QDir().mkpath(packages));
        ASSERT_TRUE(QFile::copy(system, packages + QStringLiteral("/freedesktop.org.xml")));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESSARO_MIME_PACKAGE), packages + QStringLiteral("/tessaro.xml")));
        QProcess update;
        update.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        update.start(tool, {dataDir->filePath(QStringLiteral("mime"))});
        ASSERT_TRUE(update.waitForFinished(60000));
        ASSERT_EQ(update.exitCode(), 0);
        // Read once, at the first use of the database.
        ::setenv("XDG_DATA_DIRS", QFile::encodeName(dataDir->path()).constData(), 1);
        ::setenv("XDG_DATA_HOME", QFile::encodeName(dataDir->filePath(QStringLiteral("home"))).constData(), 1);
    }
    void SetUp() override
    {
        if (!dataDir)
            GTEST_SKIP() << "update-mime-database or the system's file types are missing";
    }
    static void TearDownTestSuite()
    {
        delete dataDir;
        dataDir = nullptr;
    }

    static QString typeOf(const char* name, const std::string& contents)
    {
        const QString path = dataDir->filePath(QString::fromLatin1(name));
        test::WriteAll(QFile::encodeName(path).toStdString(), contents);
        return QMimeDatabase().mimeTypeForFile(path).name();
    }

    static inline QTemporaryDir* dataDir = nullptr;
};

TEST_F(SpdFileType, TextImagesAreRecognisedByNameAndFirstLine)
{
    const std::string text = SpdTextBytes(test::CountingImage());
    EXPECT_EQ(typeOf("written.spd", text), QStringLiteral("text/x-spd"));
    EXPECT_EQ(typeOf("UPPER.SPD", text), QStringLiteral("text/x-spd"));
    // Line ends of another system.
    std::string lf = text;
    for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at))
        lf.erase(at, 1);
    EXPECT_EQ(typeOf("unix.spd", lf), QStringLiteral("text/x-spd"));
    EXPECT_TRUE(QMimeDatabase().mimeTypeForName(QStringLiteral("text/x-spd")).inherits(QStringLiteral("text/plain")));
}

TEST_F(SpdFileType, TheOtherTypeOfTheSameSuffixKeepsItsFiles)
{
    // Another format also names its files *.spd; its first bytes differ.
    EXPECT_NE(typeOf("font.spd", std::string("D1.0\r\n") + std::string(200, '\x01')), QStringLiteral("text/x-spd"));
    // Contents alone, without the suffix, do not make an SPD image.
    EXPECT_NE(typeOf("image.txt", SpdTextBytes(test::CountingImage())), QStringLiteral("text/x-spd"));
}

TEST_F(SpdFileType, APlainDesktopNamesTheTypeByTheNameAsWell)
{
    // xdg-mime without a desktop session of its own asks mimetype, which
    // weighs the globs before most contents rules.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("mimetype")).isEmpty())
        GTEST_SKIP() << "xdg-mime or mimetype is missing";
    (void)typeOf("plain.spd", SpdTextBytes(test::CountingImage()));
    (void)typeOf("empty.spd", "\n");
    for (const char* name : {"plain.spd", "empty.spd"}) {
        QProcess query;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* session : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
            environment.remove(QString::fromLatin1(session));
        query.setProcessEnvironment(environment);
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("filetype"), dataDir->filePath(QString::fromLatin1(name))});
        ASSERT_TRUE(query.waitForFinished(30000));
        EXPECT_EQ(query.readAllStandardOutput().trimmed().toStdString(), "text/x-spd") << name;
    }
}

TEST(SerialPermission, AdviceNamesTheDeviceItsGroupAndTheCommand)
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyFAKE0"));
    test::WriteAll(QFile::encodeName(device).toStdString(), "");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &info), 0);
    const struct group* owner = ::getgrgid(info.st_gid);
    const QString group = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);

    EXPECT_EQ(DeviceGroupName(device), group);
    const QString advice = SerialPermissionAdvice(device);
    EXPECT_TRUE(advice.contains(device)) << advice.toStdString();
    EXPECT_TRUE(advice.contains(QStringLiteral("group \"%1\"").arg(group))) << advice.toStdString();
    EXPECT_TRUE(advice.contains(QStringLiteral("sudo usermod -aG %1 $USER").arg(group))) << advice.toStdString();

    // A device that cannot be examined: the usual group.
    EXPECT_TRUE(SerialPermissionAdvice(dir.filePath(QStringLiteral("gone"))).contains(QStringLiteral("\"dialout\"")));
}

TEST(SerialPermission, OpeningADeviceWithoutPermissionGivesTheAdvice)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens every device";
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyLOCKED"));
    test::WriteAll(QFile::encodeName(device).toStdString(), "");
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0), 0);

    QtSerialLine line([device](int) { return device; });
    EXPECT_FALSE(line.open());
    const QString message = line.errorText();
    EXPECT_TRUE(message.startsWith(QStringLiteral("port ") + device + QStringLiteral(": Permission denied: ")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("usermod -aG "))) << message.toStdString();
}

TEST(SerialPermission, OtherFailuresGiveNoAdvice)
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyMISSING"));
    QtSerialLine line([device](int) { return device; });
    EXPECT_FALSE(line.open());
    EXPECT_FALSE(line.errorText().contains(QStringLiteral("usermod"))) << line.errorText().toStdString();
}

}  // namespace
