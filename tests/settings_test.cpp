#include "files/recentfiles.h"
#include "files/settingsstore.h"
#include "uisupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tessaro;
using Names = std::vector<QString>;

namespace {

// The settings file as another process sees it.
QSettings Raw(const QString& path)
{
    return QSettings(path, QSettings::IniFormat);
}

Names Visible(const RecentFileList& list)
{
    Names names;
    for (int i = 1; i <= RecentFileList::kEntries; ++i) {
        if (list.entry(i).visible)
            names.push_back(list.entry(i).caption);
    }
    return names;
}

}  // namespace

TEST(SettingsStore, FirstStartCreatesEveryValueWithItsDefault)
{
    const QString path = test::TemporarySettingsPath();
    SettingsStore store(path);
    std::vector<int> opened;
    EXPECT_EQ(SetUpCommPort(store, [&](int port) { opened.push_back(port); return true; }), 1);
    RecentFileList list;
    list.restore(store);
    EXPECT_EQ(store.readPasswordMarker(), "");
    EXPECT_EQ(store.readPassword(), "");
    store.sync();

    EXPECT_EQ(opened, std::vector<int>{1});
    EXPECT_TRUE(Visible(list).empty());
    EXPECT_FALSE(list.separatorVisible());
    EXPECT_EQ(Raw(path).value("Settings/CommPort"), "1");
    for (const char* name : {"1", "2", "3", "PASS1", "PASS2"}) {
        EXPECT_TRUE(Raw(path).contains(QStringLiteral("History/") + name)) << name;
        EXPECT_EQ(Raw(path).value(QStringLiteral("History/") + name), "") << name;
    }
}

TEST(SettingsStore, ValuesReadBackExactlyAndShortHistoryValuesCountAsMissing)
{
    const QString path = test::TemporarySettingsPath();
    const QString awkward = QStringLiteral("D:\\模組 資料\\a,b \"c\"; #1=.spd");
    {
        SettingsStore store(path);
        store.writeHistory(1, awkward);
        store.writeHistory(2, "x");
        store.writeHistory(3, "ab");
        store.writePassword(" pa ss ");
    }
    SettingsStore next(path);
    RecentFileList list;
    list.restore(next);
    EXPECT_EQ(Visible(list), (Names{awkward, "ab"}));
    EXPECT_TRUE(list.separatorVisible());
    EXPECT_EQ(next.readPasswordMarker(), "QX527");
    EXPECT_EQ(next.readPassword(), " pa ss ");
    next.writePassword("7");  // a one-character password reads back as none
    EXPECT_EQ(next.readPassword(), "");
    next.sync();
    EXPECT_EQ(Raw(path).value("History/2"), "");

    // Written by hand without quotes, a path with commas is still one text.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[History]\n1=/home/op/a,b,c.spd\n");
    file.close();
    EXPECT_EQ(SettingsStore(path).readHistory(1), "/home/op/a,b,c.spd");
}

#ifdef Q_OS_UNIX
namespace {
mode_t FileMode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}
}  // namespace

TEST(SettingsStore, FileIsPrivateToItsUserAndStaysSoAfterRewrites)
{
    const mode_t previousMask = ::umask(022);
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("new/settings.ini"));
    {
        SettingsStore store(path);
        EXPECT_TRUE(store.isWritable()) << store.problem().toStdString();
        EXPECT_EQ(FileMode(path), 0600U) << "created private, before anything is written";
        store.writePassword(QStringLiteral("pbkdf2-sha256$1$AA==$AA=="));
        store.sync();
        EXPECT_EQ(FileMode(path), 0600U) << "a rewrite through a new file keeps the mode";
        store.writeHistory(1, QStringLiteral("/tmp/a.spd"));
    }
    EXPECT_EQ(FileMode(path), 0600U);
    EXPECT_EQ(Raw(path).value("History/1"), "/tmp/a.spd");

    // A file an earlier version left readable by everybody is tightened.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    SettingsStore(path).writeHistory(2, QStringLiteral("/tmp/b.spd"));
    EXPECT_EQ(FileMode(path), 0600U);
    EXPECT_EQ(Raw(path).value("History/2"), "/tmp/b.spd");
    ::umask(previousMask);
}

TEST(SettingsStore, PlaceThatCannotBeWrittenIsFoundAtOnce)
{
    QTemporaryDir folder;
    const QDir dir(folder.path());
    ASSERT_TRUE(dir.mkdir(QStringLiteral("folder.ini")));
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString fifo = dir.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString& path : {dir.filePath(QStringLiteral("folder.ini")), dir.filePath(QStringLiteral("plain/s.ini")), fifo}) {
        SettingsStore store(path);  // a FIFO must not hold this up
        EXPECT_FALSE(store.isWritable()) << path.toStdString();
        EXPECT_TRUE(store.problem().startsWith(path)) << store.problem().toStdString();
        EXPECT_EQ(store.readPassword(), "") << "reads still answer";
    }

    if (::geteuid() != 0) {  // permissions bind everybody but the superuser
        const QString locked = dir.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(dir.mkdir(QStringLiteral("locked")));
        QFile existing(locked + QStringLiteral("/s.ini"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.close();
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0500), 0);
        EXPECT_FALSE(SettingsStore(locked + QStringLiteral("/s.ini")).isWritable()) << "a read-only folder";
        ::chmod(QFile::encodeName(locked).constData(), 0700);
    }
}
#endif

TEST(SetUpCommPort, OpensTheStoredPortOrFallsBackToPortOne)
{
    struct Case {
        const char* stored;  // nullptr: missing
        std::set<int> broken;
        int port;
        std::vector<int> opened;
        QString storedAfter;
    };
    const Case cases[] = {
        {"3", {}, 3, {3}, "3"},
        {" 03 ", {}, 3, {3}, " 03 "},
        // Too large or no port number at all: port 1 for this run only.
        {"7", {}, 1, {1}, "7"},
        {"99999999999999999999999", {}, 1, {1}, "99999999999999999999999"},
        {"", {}, 1, {1}, ""},
        {"0", {}, 1, {1}, "0"},
        {"2x", {}, 1, {1}, "2x"},
        // A stored port that does not open gives way to port 1 for good.
        {"3", {3}, 1, {3, 1}, "1"},
        {"7", {1}, 1, {1, 1}, "1"},
        {nullptr, {1}, 1, {1}, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored == nullptr ? "missing" : c.stored);
        const QString path = test::TemporarySettingsPath();
        if (c.stored != nullptr)
            Raw(path).setValue("Settings/CommPort", QString::fromLatin1(c.stored));
        SettingsStore store(path);
        std::vector<int> opened;
        const int port = SetUpCommPort(store, [&](int n) {
            opened.push_back(n);
            return c.broken.count(n) == 0;
        });
        store.sync();
        EXPECT_EQ(port, c.port);
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(Raw(path).value("Settings/CommPort"), c.storedAfter);
    }
}

TEST(RecentFileList, KeepsThreeDistinctNamesMostRecentFirst)
{
    const std::pair<QString, Names> steps[] = {
        {"A", {"A"}},
        {"A", {"A"}},
        {"B", {"B", "A"}},
        {"A", {"A", "B"}},  // second of two moves up, no third appears
        {"C", {"C", "A", "B"}},
        {"A", {"A", "C", "B"}},
        {"C", {"C", "A", "B"}},
        {"B", {"B", "C", "A"}},  // the third moves up
        {"D", {"D", "B", "C"}},
        {"d", {"d", "D", "B"}},  // case counts
        {"d", {"d", "D", "B"}},
    };
    RecentFileList list;
    for (const auto& [name, expected] : steps) {
        list.add(name);
        EXPECT_EQ(Visible(list), expected) << "after " << name.toStdString();
        EXPECT_TRUE(list.separatorVisible());
    }
}

TEST(RecentFileList, HiddenEntriesCountAsEmptyAndAreNotSaved)
{
    // The stored list has a gap: entry 2 hidden, entry 3 shown.
    const QString path = test::TemporarySettingsPath();
    Raw(path).setValue("History/1", "A.spd");
    Raw(path).setValue("History/3", "C.spd");
    SettingsStore store(path);
    RecentFileList list;
    list.restore(store);
    list.add("C.spd");  // fills the gap; entry 3 is not looked at
    EXPECT_EQ(Visible(list), (Names{"C.spd", "A.spd", "C.spd"}));

    // Entry 1 missing at the next start: hidden, caption kept, overwritten by
    // the next open without moving the others; saving writes shown entries only.
    list.save(store);
    store.writeHistory(1, "");
    list.restore(store);
    EXPECT_EQ(list.entry(1).caption, "C.spd");
    EXPECT_EQ(Visible(list), (Names{"A.spd", "C.spd"}));
    store.writeHistory(2, "D:\\old.spd");
    RecentFileList fresh;
    fresh.add("E.spd");
    fresh.save(store);
    store.sync();
    EXPECT_EQ(Raw(path).value("History/1"), "E.spd");
    EXPECT_EQ(Raw(path).value("History/2"), "D:\\old.spd");
    list.add("E.spd");
    EXPECT_EQ(Visible(list), (Names{"E.spd", "A.spd", "C.spd"}));
}
