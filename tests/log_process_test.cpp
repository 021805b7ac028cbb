// The production log across processes: a writer killed in the middle of its
// writes, several writers at once on one SQLite file and on a PostgreSQL
// server, and the command line recording device operations and listing them.
#include "log/productionlog.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include <pwd.h>
#include <unistd.h>

using namespace tessaro;

namespace {

// The record numbers "TAG #n" of one writer, as found in the log.
std::set<int> Numbers(ProductionLog& log, const QString& tag)
{
    LogFilter filter;
    filter.text = tag + QStringLiteral(" #");
    QString error;
    std::set<int> numbers;
    for (const LogRecord& r : log.records(filter, &error))
        numbers.insert(r.document.section(u'#', 1).toInt());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return numbers;
}

// The highest "committed n" line printed so far.
int LastCommitted(const QByteArray& out)
{
    int last = 0;
    static const QRegularExpression line(QStringLiteral("committed (\\d+)"));
    for (auto it = line.globalMatch(QString::fromLatin1(out)); it.hasNext();)
        last = it.next().captured(1).toInt();
    return last;
}

QString IntegrityCheck(const QString& path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return result;
}

void StartWriter(QProcess& process, const QStringList& place, const QString& tag, int count)
{
    process.start(QStringLiteral(TESSARO_LOG_WRITER),
                  QStringList(place) << QStringLiteral("--tag") << tag << QStringLiteral("--count")
                                     << QString::number(count));
}

}  // namespace

TEST(LogProcesses, KilledWriterLeavesASoundDatabaseWithEveryCommittedRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.sqlite"));
    std::map<QString, int> committed;
    for (int round = 0; round < 12; ++round) {
        const QString tag = QStringLiteral("kill%1").arg(round);
        QProcess writer;
        StartWriter(writer, {QStringLiteral("--database"), path}, tag, 100000);
        ASSERT_TRUE(writer.waitForStarted());
        // Killed at a different moment of its writes each round.
        QThread::msleep(150 + QRandomGenerator::global()->bounded(400));
        writer.kill();  // SIGKILL
        writer.waitForFinished();
        committed[tag] = LastCommitted(writer.readAllStandardOutput());
    }
    EXPECT_EQ(IntegrityCheck(path), QStringLiteral("ok"));
    LogLocation location;
    location.path = path;
    ProductionLog log(location);
    int total = 0;
    for (const auto& [tag, last] : committed) {
        const std::set<int> numbers = Numbers(log, tag);
        // Every row reported as committed is there, and nothing but whole rows
        // in order: the one being written when the kill came may be there too.
        ASSERT_GE(static_cast<int>(numbers.size()), last) << tag.toStdString();
        ASSERT_LE(static_cast<int>(numbers.size()), last + 1) << tag.toStdString();
        if (!numbers.empty()) {
            EXPECT_EQ(*numbers.rbegin(), static_cast<int>(numbers.size()));
        }
        total += last;
    }
    EXPECT_GT(total, 0);
}

TEST(LogProcesses, TwoWritersOnOneFileLoseNothingAndNeverSeeALock)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.sqlite"));
    constexpr int kCount = 300;
    QProcess a;
    QProcess b;
    StartWriter(a, {QStringLiteral("--database"), path}, QStringLiteral("A"), kCount);
    StartWriter(b, {QStringLiteral("--database"), path}, QStringLiteral("B"), kCount);
    for (QProcess* p : {&a, &b}) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_EQ(p->readAllStandardError(), QByteArray());  // no record ever had to wait
    }
    LogLocation location;
    location.path = path;
    ProductionLog log(location);
    EXPECT_EQ(Numbers(log, QStringLiteral("A")).size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(Numbers(log, QStringLiteral("B")).size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(IntegrityCheck(path), QStringLiteral("ok"));
}

// Two command lines drive two programmers at once, logging into one file;
// then the log is listed and a logged image written back.
TEST(LogProcesses, DeviceCommandsOfTwoStationsAreListedAndTheirImagesKept)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(config + QStringLiteral("/Korvalen inc."));
    {
        QFile ini(config + QStringLiteral("/Korvalen inc./TESSARO .conf"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\nStationName=bench-7\nOperatorName=Ana Lin\n");
    }
    const QString image = dir.filePath(QStringLiteral("module.bin"));
    {
        SpdImage bytes = test::CountingImage();
        QFile file(image);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    test::SimProcess first;
    test::SimProcess second;
    ASSERT_TRUE(first.start({QStringLiteral("--fast"), QStringLiteral("--module"), image}));
    ASSERT_TRUE(second.start({QStringLiteral("--fast"), QStringLiteral("--module"), image}));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    const auto cli = [&](QProcess& process, const QStringList& args) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TESSARO_CLI), args);
    };
    const QString out = dir.filePath(QStringLiteral("read.bin"));
    constexpr int kRounds = 2;
    for (int round = 0; round < kRounds; ++round) {
        QProcess a;
        QProcess b;
        cli(a, {QStringLiteral("device"), QStringLiteral("--port"), first.device(), QStringLiteral("read-module"),
                QStringLiteral("-o"), out});
        cli(b, {QStringLiteral("device"), QStringLiteral("--port"), second.device(), QStringLiteral("tester"),
                QStringLiteral("learn")});
        for (QProcess* p : {&a, &b}) {
            ASSERT_TRUE(p->waitForFinished(60000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
            EXPECT_FALSE(p->readAllStandardError().contains("production log"));
        }
    }
    QProcess list;
    cli(list, {QStringLiteral("log"), QStringLiteral("--csv")});
    ASSERT_TRUE(list.waitForFinished(30000));
    ASSERT_EQ(list.exitCode(), 0) << list.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(list.readAllStandardOutput()).split(QStringLiteral("\r\n"),
                                                                                     Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 2 * kRounds);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("id,time,station,")));
    int reads = 0;
    QString sha;
    // The operator: the login name of the user, and the name the settings give.
    const QString who = QStringLiteral(",bench-7,%1 (Ana Lin),").arg(QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name));
    for (const QString& line : lines.mid(1)) {
        EXPECT_TRUE(line.contains(who)) << line.toStdString();
        if (line.contains(QStringLiteral(",read module,"))) {
            ++reads;
            sha = line.section(u',', 7, 7);
        }
    }
    EXPECT_EQ(reads, kRounds);
    ASSERT_EQ(sha.size(), 64);

    const QString back = dir.filePath(QStringLiteral("back.bin"));
    QProcess fetch;
    cli(fetch, {QStringLiteral("log"), QStringLiteral("--image"), sha, QStringLiteral("-o"), back});
    ASSERT_TRUE(fetch.waitForFinished(30000));
    EXPECT_EQ(fetch.exitCode(), 0) << fetch.readAllStandardError().toStdString();
    EXPECT_EQ(test::ReadAll(back.toStdString()), test::ReadAll(image.toStdString()));

    QProcess failures;
    cli(failures, {QStringLiteral("log"), QStringLiteral("--result"), QStringLiteral("fail"), QStringLiteral("--json")});
    ASSERT_TRUE(failures.waitForFinished(30000));
    EXPECT_EQ(failures.exitCode(), 0);
    EXPECT_TRUE(failures.readAllStandardOutput().isEmpty());

    // Usage errors exit 2 before anything is read.
    for (const QStringList& bad : {QStringList{QStringLiteral("log"), QStringLiteral("--result"), QStringLiteral("maybe")},
                                   QStringList{QStringLiteral("log"), QStringLiteral("--since"), QStringLiteral("now")},
                                   QStringList{QStringLiteral("log"), QStringLiteral("--csv"), QStringLiteral("--json")},
                                   QStringList{QStringLiteral("log"), QStringLiteral("--image"), sha}}) {
        QProcess p;
        cli(p, bad);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2) << bad.join(u' ').toStdString();
    }
    QProcess missing;
    cli(missing, {QStringLiteral("log"), QStringLiteral("--image"), QString(64, u'a'), QStringLiteral("-o"), back});
    ASSERT_TRUE(missing.waitForFinished(30000));
    EXPECT_EQ(missing.exitCode(), 1);

    // A listing of a log that is not there, or of a file that is no log, makes nothing of it.
    QFile(dir.filePath(QStringLiteral("empty.sqlite"))).open(QIODevice::WriteOnly);
    for (const char* name : {"no/such/log.sqlite", "empty.sqlite"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QProcess listing;
        cli(listing, {QStringLiteral("log"), QStringLiteral("--database"), path});
        ASSERT_TRUE(listing.waitForFinished(30000));
        EXPECT_EQ(listing.exitCode(), 1) << name;
        const QString err = QString::fromUtf8(listing.readAllStandardError());
        EXPECT_TRUE(err.startsWith(QStringLiteral("tessaro-cli: ") +
                                   (QFileInfo::exists(path) ? path + QStringLiteral(": an empty file")
                                                            : QStringLiteral("no production log at ") + path)))
            << err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("empty.sqlite"))).size(), 0);

    // A log held by another program: the record is given up after a bounded wait, and the command says so.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(config + QStringLiteral("/Korvalen inc./production-log.sqlite"));
        ASSERT_TRUE(db.open());
        QSqlQuery hold(db);
        ASSERT_TRUE(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QProcess held;
        cli(held, {QStringLiteral("device"), QStringLiteral("--port"), second.device(), QStringLiteral("tester"),
                   QStringLiteral("learn")});
        ASSERT_TRUE(held.waitForFinished(60000));
        EXPECT_EQ(held.exitCode(), 0);
        const QString kept = config + QStringLiteral("/Korvalen inc./production-log-waiting.jsonl");
        const std::string err = held.readAllStandardError().toStdString();
        EXPECT_EQ(err.rfind("tessaro-cli: production log: 1 record of this command kept in " + kept.toStdString() +
                                ", to be written with the next record: ",
                            0),
                  0u)
            << err;
        hold.exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    // The next command writes it, before its own.
    QProcess next;
    cli(next, {QStringLiteral("device"), QStringLiteral("--port"), second.device(), QStringLiteral("tester"),
               QStringLiteral("read")});
    ASSERT_TRUE(next.waitForFinished(60000));
    EXPECT_TRUE(next.readAllStandardError().isEmpty());
    QProcess after;
    cli(after, {QStringLiteral("log"), QStringLiteral("--text"), QStringLiteral("tester")});
    ASSERT_TRUE(after.waitForFinished(30000));
    const QStringList rows = QString::fromUtf8(after.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[rows.size() - 2].contains(QStringLiteral("tester learn"))) << rows.join(u'\n').toStdString();
    EXPECT_TRUE(rows.back().contains(QStringLiteral("tester read"))) << rows.join(u'\n').toStdString();
}

// A PostgreSQL server of its own in a temporary folder, run by an unprivileged
// user when the test runs as root (the server refuses root).
class PostgresServer
{
public:
    PostgresServer()
    {
        const QString initdb = Find(QStringLiteral("initdb"));
        const QString pgctl = Find(QStringLiteral("pg_ctl"));
        if (initdb.isEmpty() || pgctl.isEmpty()) {
            m_reason = "initdb and pg_ctl are not installed (Debian package postgresql)";
            return;
        }
        if (!m_dir.isValid()) {
            m_reason = "no temporary folder";
            return;
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        m_socket = m_dir.filePath(QStringLiteral("socket"));
        QDir().mkpath(m_socket);
        if (::geteuid() == 0) {
            m_runAs = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")};
            if (!Run({QStringLiteral("chown"), QStringLiteral("-R"), QStringLiteral("nobody"), m_dir.path()})) {
                m_reason = "cannot hand the temporary folder to the user nobody";
                return;
            }
            QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                    QFileDevice::ExeOther | QFileDevice::ReadOther);
        }
        if (!Run(m_runAs + QStringList{initdb, QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"),
                                       QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("--no-sync")})) {
            m_reason = "initdb failed: " + m_output;
            return;
        }
        m_pgctl = m_runAs + QStringList{pgctl, QStringLiteral("-D"), data};
        const QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories=%1 -c fsync=off")
                                    .arg(m_socket);
        if (!Run(QStringList(m_pgctl) << QStringLiteral("-o") << options << QStringLiteral("-l")
                                      << m_dir.filePath(QStringLiteral("server.log")) << QStringLiteral("-w")
                                      << QStringLiteral("start"))) {
            m_reason = "the server did not start: " + m_output;
            return;
        }
        m_running = true;
    }
    ~PostgresServer()
    {
        if (m_running)
            Run(QStringList(m_pgctl) << QStringLiteral("-m") << QStringLiteral("fast") << QStringLiteral("-w")
                                     << QStringLiteral("stop"));
    }
    [[nodiscard]] bool running() const { return m_running; }
    [[nodiscard]] const std::string& reason() const { return m_reason; }
    [[nodiscard]] QString serverWords() const
    {
        return QStringLiteral("host=%1 dbname=postgres user=postgres").arg(m_socket);
    }

private:
    static QString Find(const QString& name)
    {
        QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty()) {
            const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                                                               QDir::Name | QDir::Reversed);
            for (const QString& version : versions)
                if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(version, name)))
                    return QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(version, name);
        }
        return path;
    }
    bool Run(const QStringList& command)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.front(), command.mid(1));
        const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                        process.exitCode() == 0;
        m_output = process.readAll().trimmed().toStdString();
        return ok;
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QStringList m_runAs;
    QStringList m_pgctl;
    bool m_running = false;
    std::string m_reason;
    std::string m_output;
};

TEST(LogProcesses, FourWritersOnAPostgreSqlServerLoseNothing)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        GTEST_SKIP() << "Qt's PostgreSQL driver is not installed (libqt6sql6-psql)";
    PostgresServer server;
    if (!server.running())
        GTEST_SKIP() << server.reason();
    constexpr int kCount = 100;
    QProcess writers[4];
    for (int i = 0; i < 4; ++i)
        StartWriter(writers[i], {QStringLiteral("--server"), server.serverWords()}, QStringLiteral("P%1").arg(i),
                    kCount);
    for (QProcess& writer : writers) {
        ASSERT_TRUE(writer.waitForFinished(120000));
        EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
        EXPECT_EQ(writer.readAllStandardError(), QByteArray());
    }
    QString error;
    const auto location = ParseLogServer(server.serverWords(), &error);
    ASSERT_TRUE(location);
    ProductionLog log(*location);
    ASSERT_TRUE(log.open()) << log.problem().toStdString();
    EXPECT_EQ(log.foundSchemaVersion(), ProductionLog::kSchemaVersion);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Numbers(log, QStringLiteral("P%1").arg(i)).size(), static_cast<std::size_t>(kCount));
    // Four distinct images in all, each kept once.
    const std::vector<LogRecord> rows = log.records({}, &error);
    std::set<QString> hashes;
    for (const LogRecord& r : rows)
        hashes.insert(r.imageSha256);
    EXPECT_EQ(hashes.size(), 4u);
    for (const QString& hash : hashes)
        EXPECT_TRUE(log.image(hash, &error)) << error.toStdString();
}
