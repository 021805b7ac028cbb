// The production log's store: what a record keeps, images kept once, the
// schema version, filters, and records that wait while the database cannot
// be written.
#include "device/linkrecorder.h"
#include "files/settingsstore.h"
#include "log/logexport.h"
#include "log/logsettings.h"
#include "log/productionlog.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tessaro;

namespace {

SpdImage Ddr3Image(std::uint8_t serialByte)
{
    SpdImage image{};
    image[2] = 0x0B;
    image[117] = 0x80;
    image[118] = 0xCE;  // the module maker: Samsung
    image[122] = serialByte;
    return image;
}

LinkOperationReport Report(LinkOperation operation, bool ok, std::optional<SpdImage> image = {})
{
    LinkOperationReport report;
    report.operation = operation;
    report.port = "port 1";
    report.documentName = "module.spd";
    report.image = image;
    report.ok = ok;
    report.message = ok ? "" : "ERROR\ncause";
    report.durationMs = 42;
    return report;
}

// A second connection to the same file, for looking behind the store's back.
class RawConnection
{
public:
    explicit RawConnection(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.open();
    }
    ~RawConnection()
    {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    QVariant value(const QString& statement)
    {
        QSqlQuery query(QSqlDatabase::database(name(), false));
        if (!query.exec(statement) || !query.next())
            return {};
        return query.value(0);
    }
    bool exec(const QString& statement)
    {
        QSqlQuery query(QSqlDatabase::database(name(), false));
        return query.exec(statement);
    }

private:
    static QString name() { return QStringLiteral("raw"); }
};

class Log : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        location.path = dir.filePath(QStringLiteral("log.sqlite"));
    }
    QTemporaryDir dir;
    LogLocation location;
};

}  // namespace

TEST_F(Log, KeepsEveryFieldAndEachImageOnce)
{
    ProductionLog log(location);
    ASSERT_TRUE(log.open()) << log.problem().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(location.path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    LinkOperationReport test = Report(LinkOperation::TestRecord, false);
    test.testResult = "OPEN FAIL";
    test.failPins = {3, 17};
    test.passPins = {0, 1};
    log.append(MakeLogRecord(Report(LinkOperation::Download, true, Ddr3Image(1)), QStringLiteral("line-2")));
    log.append(MakeLogRecord(Report(LinkOperation::ReadModule, true, Ddr3Image(1)), QStringLiteral("line-2")));
    log.append(MakeLogRecord(Report(LinkOperation::Compare, false, Ddr3Image(2)), QStringLiteral("line-2")));
    log.append(MakeLogRecord(test, QStringLiteral("line-2")));
    EXPECT_EQ(log.pendingCount(), 0);
    EXPECT_TRUE(log.statusText().isEmpty());

    QString error;
    const std::vector<LogRecord> rows = log.records({}, &error);
    ASSERT_EQ(rows.size(), 4u) << error.toStdString();
    const LogRecord& first = rows[0];
    EXPECT_EQ(first.operation, QStringLiteral("download"));
    EXPECT_EQ(first.station, QStringLiteral("line-2"));
    EXPECT_EQ(first.result, QStringLiteral("ok"));
    EXPECT_EQ(first.imageSize, 256);
    EXPECT_EQ(first.imageSha256.size(), 64);
    EXPECT_EQ(first.serialNumber, QStringLiteral("01000000"));
    EXPECT_TRUE(first.moduleSummary.contains(QStringLiteral("Samsung"))) << first.moduleSummary.toStdString();
    EXPECT_EQ(first.durationMs, 42);
    EXPECT_TRUE(first.timeUtc.endsWith(u'Z'));
    EXPECT_EQ(rows[1].imageSha256, first.imageSha256);
    EXPECT_NE(rows[2].imageSha256, first.imageSha256);
    EXPECT_EQ(rows[2].result, QStringLiteral("ERROR\ncause"));
    EXPECT_FALSE(rows[2].ok);
    EXPECT_EQ(rows[3].testResult, QStringLiteral("OPEN FAIL"));
    EXPECT_EQ(rows[3].failPins, QStringLiteral("3 17"));
    EXPECT_TRUE(rows[3].imageSha256.isEmpty());

    const std::optional<QByteArray> image = log.image(first.imageSha256.toUpper(), &error);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 256);
    EXPECT_EQ(static_cast<std::uint8_t>(image->at(122)), 1);
    EXPECT_FALSE(log.image(QString(64, u'0'), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no image")));

    RawConnection raw(location.path);
    EXPECT_EQ(raw.value(QStringLiteral("SELECT COUNT(*) FROM images")).toInt(), 2);
    EXPECT_EQ(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    EXPECT_EQ(raw.value(QStringLiteral("SELECT version FROM schema_info")).toInt(), ProductionLog::kSchemaVersion);
}

TEST_F(Log, FiltersByTimeResultAndText)
{
    {
        ProductionLog log(location);
        ASSERT_TRUE(log.open());
        const char* times[] = {"2026-12-09T23:59:59.999Z", "2026-12-10T00:00:00.000Z", "2026-12-10T23:59:59.999Z",
                               "2026-12-11T00:00:00.000Z"};
        int n = 0;
        for (const char* time : times) {
            LogRecord record = MakeLogRecord(Report(LinkOperation::Erase, n % 2 == 0), QStringLiteral("s"));
            record.timeUtc = QString::fromLatin1(time);
            record.document = n == 1 ? QStringLiteral("Lot_50%.spd") : QStringLiteral("LotX50y.spd");
            log.append(record);
            ++n;
        }
    }
    ProductionLog log(location);  // a second run reads what the first wrote
    QString error;
    const auto ids = [&](const LogFilter& filter) {
        std::vector<qint64> list;
        for (const LogRecord& r : log.records(filter, &error))
            list.push_back(r.id);
        return list;
    };
    LogFilter day;
    day.since = *LogTimeBound(QStringLiteral("2026-12-10"), false);
    day.until = *LogTimeBound(QStringLiteral("2026-12-10"), true);
    EXPECT_EQ(ids(day), (std::vector<qint64>{2, 3}));
    day.ok = true;
    EXPECT_EQ(ids(day), (std::vector<qint64>{3}));
    LogFilter text;
    text.text = QStringLiteral("lot_50%");  // wildcard characters are taken as they are
    EXPECT_EQ(ids(text), (std::vector<qint64>{2}));
    LogFilter instant;
    instant.until = *LogTimeBound(QStringLiteral("2026-12-10T08:00:00+08:00"), true);
    EXPECT_EQ(ids(instant), (std::vector<qint64>{1, 2}));
    EXPECT_FALSE(LogTimeBound(QStringLiteral("2026-12-10T08:00:00"), false));  // no zone
    EXPECT_FALSE(LogTimeBound(QStringLiteral("yesterday"), false));
}

TEST_F(Log, NewerSchemaIsReadOnlyAndKeepsRecordsWaiting)
{
    {
        ProductionLog log(location);
        ASSERT_TRUE(log.open());
        log.append(MakeLogRecord(Report(LinkOperation::Erase, true), QStringLiteral("s")));
    }
    {
        RawConnection raw(location.path);
        ASSERT_TRUE(raw.exec(QStringLiteral("UPDATE schema_info SET version = 7")));
    }
    ProductionLog log(location);
    ASSERT_TRUE(log.open());
    EXPECT_TRUE(log.isReadOnly());
    EXPECT_EQ(log.foundSchemaVersion(), 7);
    EXPECT_TRUE(log.problem().contains(QStringLiteral("newer"))) << log.problem().toStdString();
    log.append(MakeLogRecord(Report(LinkOperation::Erase, true), QStringLiteral("s")));
    EXPECT_EQ(log.pendingCount(), 1);
    QString error;
    EXPECT_EQ(log.records({}, &error).size(), 1u);
    RawConnection raw(location.path);
    EXPECT_EQ(raw.value(QStringLiteral("SELECT version FROM schema_info")).toInt(), 7);
}

TEST_F(Log, LockedOrMissingDatabaseKeepsRecordsUntilItIsBack)
{
    location.busyTimeoutMs = 100;
    ProductionLog log(location);
    ASSERT_TRUE(log.open());
    {
        RawConnection raw(location.path);
        ASSERT_TRUE(raw.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        log.append(MakeLogRecord(Report(LinkOperation::Erase, true), QStringLiteral("s")));
        log.append(MakeLogRecord(Report(LinkOperation::Check, false), QStringLiteral("s")));
        EXPECT_EQ(log.pendingCount(), 2);
        EXPECT_EQ(log.busyWaitMs(), 0);  // only the first write waited
        EXPECT_TRUE(log.statusText().startsWith(QStringLiteral("production log: 2 records waiting")))
            << log.statusText().toStdString();
        raw.exec(QStringLiteral("ROLLBACK"));
    }
    EXPECT_TRUE(log.flush());
    EXPECT_EQ(log.busyWaitMs(), 100);
    EXPECT_TRUE(log.statusText().isEmpty());
    QString error;
    const auto rows = log.records({}, &error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].operation, QStringLiteral("erase"));  // in the order they happened

    // A place that cannot hold the file (a file stands where its folder should be).
    LogLocation blocked;
    const QString folder = dir.filePath(QStringLiteral("later"));
    blocked.path = folder + QStringLiteral("/log.sqlite");
    QFile stone(folder);
    ASSERT_TRUE(stone.open(QIODevice::WriteOnly));
    stone.close();
    ProductionLog late(blocked);
    EXPECT_FALSE(late.open());
    late.append(MakeLogRecord(Report(LinkOperation::Erase, true), QStringLiteral("s")));
    EXPECT_EQ(late.pendingCount(), 1);
    EXPECT_FALSE(late.problem().isEmpty());
    ASSERT_TRUE(QFile::remove(folder));
    EXPECT_TRUE(late.flush());
    EXPECT_EQ(late.records({}, &error).size(), 1u);
}

TEST_F(Log, MakesNothingOfMissingPlacesAndOtherFiles)
{
    {
        RawConnection foreign(dir.filePath(QStringLiteral("foreign.sqlite")));
        ASSERT_TRUE(foreign.exec(QStringLiteral("CREATE TABLE accounts (name TEXT)")));
    }
    QFile(dir.filePath(QStringLiteral("empty.sqlite"))).open(QIODevice::WriteOnly);
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a database, but long enough to have a header of one..........................................");
    text.close();
    const auto None = LogLocation::Creation::None;
    const auto File = LogLocation::Creation::File;
    const struct {
        const char* name;
        LogLocation::Creation creation;
        const char* problem;
    } cases[] = {
        {"missing.sqlite", None, "no production log at "},
        {"no/such/folder/log.sqlite", File, "does not exist"},
        {"empty.sqlite", File, "an empty file, not a production log"},
        {"foreign.sqlite", File, "not a production log"},
        {"notes.txt", File, "not a database"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        const QByteArray before = QFile::exists(path) ? [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }() : QByteArray();
        location.path = path;
        location.creation = c.creation;
        ProductionLog log(location);
        EXPECT_FALSE(log.open()) << c.name;
        EXPECT_TRUE(log.problem().contains(QString::fromLatin1(c.problem))) << c.name << ": " << log.problem().toStdString();
        log.append(MakeLogRecord(Report(LinkOperation::Erase, true), QStringLiteral("s")));
        EXPECT_EQ(log.pendingCount(), 1) << c.name;  // the record waits
        QFile after(path);
        EXPECT_EQ(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), before) << c.name;
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".production-log")).size(), 0);

    // A new log in a folder that is there is made whole.
    location.path = dir.filePath(QStringLiteral("new.sqlite"));
    ProductionLog fresh(location);
    EXPECT_TRUE(fresh.open()) << fresh.problem().toStdString();
    EXPECT_EQ(fresh.foundSchemaVersion(), ProductionLog::kSchemaVersion);
}

TEST(LogSettings, PlaceServerAndStation)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("TESSARO .conf"));
    {
        SettingsStore settings(ini);
        QString error;
        const auto location = LogLocationFromSettings(settings, &error);
        ASSERT_TRUE(location);
        EXPECT_EQ(location->kind, LogLocation::Kind::SQLite);
        EXPECT_EQ(location->path, dir.filePath(QStringLiteral("production-log.sqlite")));
        EXPECT_FALSE(StationNameFromSettings(settings).isEmpty());
    }
    {
        QSettings raw(ini, QSettings::IniFormat);
        raw.setValue(QStringLiteral("Settings/LogServer"), QStringLiteral("host=db.lan port=5433 dbname=prod user=st1"));
        raw.setValue(QStringLiteral("Settings/StationName"), QStringLiteral("Line 3"));
    }
    SettingsStore settings(ini);
    QString error;
    const auto server = LogLocationFromSettings(settings, &error);
    ASSERT_TRUE(server) << error.toStdString();
    EXPECT_EQ(server->kind, LogLocation::Kind::PostgreSQL);
    EXPECT_EQ(server->describe(), QStringLiteral("postgresql://st1@db.lan:5433/prod"));
    EXPECT_EQ(StationNameFromSettings(settings), QStringLiteral("Line 3"));

    EXPECT_FALSE(ParseLogServer(QStringLiteral("dbname=x password=secret"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("never kept")));
    EXPECT_FALSE(error.contains(QStringLiteral("secret")));
    EXPECT_FALSE(ParseLogServer(QStringLiteral("host=a"), &error));
    EXPECT_FALSE(ParseLogServer(QStringLiteral("dbname=x port=99999"), &error));
}

TEST(LogExport, CsvQuotesWhatNeedsIt)
{
    LogRecord record;
    record.id = 7;
    record.document = QStringLiteral("a,b \"c\"");
    record.result = QStringLiteral("ERROR\ncause");
    record.station = QStringLiteral("站 1");
    const QString csv = QString::fromUtf8(LogCsv({record}));
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0], LogColumns().join(u','));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("7,,站 1,,,,\"a,b \"\"c\"\"\",")));
    EXPECT_TRUE(csv.contains(QStringLiteral("\"ERROR\ncause\"")));
}

TEST(LogExport, CellsASpreadsheetWouldTakeAsFormulasStayText)
{
    const struct {
        QString cell;
        QString written;
    } cases[] = {
        {QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"), QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"")},
        {QStringLiteral("@SUM(A1:A2)"), QStringLiteral("\"'@SUM(A1:A2)\"")},
        {QStringLiteral("+1"), QStringLiteral("\"'+1\"")},
        {QStringLiteral("-1+2"), QStringLiteral("\"'-1+2\"")},
        {QStringLiteral("\tx"), QStringLiteral("\"'\tx\"")},
        {QStringLiteral("\rx"), QStringLiteral("\"'\rx\"")},
        {QStringLiteral("a=b"), QStringLiteral("a=b")},
        {QStringLiteral("站-1"), QStringLiteral("站-1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell.toStdString());
        LogRecord record;
        record.id = 3;
        record.station = c.cell;
        const QStringList lines = QString::fromUtf8(LogCsv({record})).split(QStringLiteral("\r\n"));
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("3,,") + c.written + u',')) << lines[1].toStdString();
    }
}

TEST_F(Log, CommandLineKeepsTheLogAndShowsItsTextsWithoutControls)
{
    QString sha;
    {
        ProductionLog log(location);
        ASSERT_TRUE(log.open()) << log.problem().toStdString();
        LinkOperationReport report = Report(LinkOperation::ReadModule, true, Ddr3Image(1));
        report.documentName = "mod\x1b]0;owned\x07.spd";
        log.append(MakeLogRecord(report, QString::fromUtf8("st\x1b[2J\xc2\x9b" "1")));
        sha = log.records({}, nullptr).at(0).imageSha256;
    }
    const std::string db = location.path.toStdString();
    const std::string hard = dir.filePath(QStringLiteral("hard.bin")).toStdString();
    ASSERT_EQ(::link(db.c_str(), hard.c_str()), 0);
    for (const std::string& out : {db, hard}) {
        const test::CommandResult r = test::RunCli({"log", "--database", db, "--image", sha.toStdString(), "-o", out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "tessaro-cli: cannot write \"" + out + "\": it is the production log database \"" + db + "\"\n");
    }
    const test::CommandResult listing = test::RunCli({"log", "--database", db});
    EXPECT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_NE(listing.out.find("  st.[2J.1  read module  ok  serial 01000000  mod.]0;owned..spd  sha256 "), std::string::npos)
        << listing.out;
    const test::CommandResult full = test::RunShell("'" TESSARO_CLI "' log --database '" + db + "' >/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "tessaro-cli: cannot write standard output: No space left on device\n");
}
