#include "log/productionlog.h"

#include "files/filename.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaro {

namespace {

std::atomic<int> g_connectionCounter{0};

// The schema, one list of statements per version. Type words differ between
// the back ends and are filled in by ForBackEnd: {ID} the row number,
// {BLOB} bytes.
const std::vector<std::vector<const char*>>& Migrations()
{
    static const std::vector<std::vector<const char*>> migrations{
        // version 1
        {
            "CREATE TABLE images (sha256 TEXT PRIMARY KEY, size INTEGER NOT NULL, data {BLOB} NOT NULL)",
            // operator_mode holds the operator's name (LogRecord::operatorName).
            "CREATE TABLE operations (id {ID}, time_utc TEXT NOT NULL, station TEXT NOT NULL,"
            " operator_mode TEXT NOT NULL, operation TEXT NOT NULL, port TEXT NOT NULL, document TEXT NOT NULL,"
            " image_sha256 TEXT REFERENCES images (sha256), image_size INTEGER NOT NULL,"
            " serial_number TEXT NOT NULL, module_summary TEXT NOT NULL, ok INTEGER NOT NULL, result TEXT NOT NULL,"
            " test_result TEXT NOT NULL, fail_pins TEXT NOT NULL, pass_pins TEXT NOT NULL,"
            " duration_ms BIGINT NOT NULL)",
            "CREATE INDEX operations_time ON operations (time_utc)",
            "CREATE INDEX operations_serial ON operations (serial_number)",
        },
    };
    return migrations;
}

// One lock number for the schema upgrade on a shared server.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(1874180318)";

const char* const kColumns =
    "time_utc, station, operator_mode, operation, port, document, image_sha256, image_size, serial_number,"
    " module_summary, ok, result, test_result, fail_pins, pass_pins, duration_ms";

QString DatabaseError(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text.replace(u'\n', u' ');
}

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The text members of a record and their keys in a line of the kept-records file.
struct TextField {
    const char* key;
    QString LogRecord::*member;
};

constexpr TextField kTextFields[] = {
    {"time", &LogRecord::timeUtc},          {"station", &LogRecord::station},
    {"operator", &LogRecord::operatorName}, {"operation", &LogRecord::operation},
    {"port", &LogRecord::port},             {"document", &LogRecord::document},
    {"serial", &LogRecord::serialNumber},   {"module", &LogRecord::moduleSummary},
    {"result", &LogRecord::result},         {"test", &LogRecord::testResult},
    {"failPins", &LogRecord::failPins},     {"passPins", &LogRecord::passPins},
};

// A record as one line of the kept-records file.
QByteArray RecordLine(const LogRecord& r)
{
    QJsonObject object{
        {QStringLiteral("image"), QString::fromLatin1(r.image.toBase64())},
        {QStringLiteral("ok"), r.ok},
        {QStringLiteral("durationMs"), QString::number(r.durationMs)},
    };
    for (const TextField& field : kTextFields)
        object.insert(QLatin1String(field.key), r.*field.member);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// The record of a kept-records line; nullopt for a line that is none.
std::optional<LogRecord> RecordOfLine(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    LogRecord r;
    for (const TextField& field : kTextFields)
        r.*field.member = o.value(QLatin1String(field.key)).toString();
    r.image = QByteArray::fromBase64(o.value(QStringLiteral("image")).toString().toLatin1());
    if (!r.image.isEmpty()) {
        r.imageSha256 = Sha256Hex(r.image);
        r.imageSize = static_cast<int>(r.image.size());
    }
    r.ok = o.value(QStringLiteral("ok")).toBool();
    r.durationMs = o.value(QStringLiteral("durationMs")).toString().toLongLong();
    if (r.timeUtc.isEmpty() || r.operation.isEmpty())
        return std::nullopt;
    return r;
}

// A text column's value: never NULL, an absent text is the empty one.
QVariant Text(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

}  // namespace

QString LogLocation::describe() const
{
    if (kind == Kind::SQLite)
        return path;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + u'@';
    text += host.isEmpty() ? QStringLiteral("localhost") : host;
    if (port != 0)
        text += u':' + QString::number(port);
    return text + u'/' + database;
}

std::optional<LogLocation> ParseLogServer(const QString& text, QString* error)
{
    LogLocation location;
    location.kind = LogLocation::Kind::PostgreSQL;
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        const qsizetype equals = word.indexOf(u'=');
        const QString key = word.left(equals).toLower();
        const QString value = equals < 0 ? QString() : word.mid(equals + 1);
        if (equals < 0 || value.isEmpty()) {
            *error = QStringLiteral("LogServer: \"%1\" is not a key=value word").arg(word);
            return std::nullopt;
        }
        if (key == u"host") {
            location.host = value;
        } else if (key == u"port") {
            bool ok = false;
            location.port = value.toInt(&ok);
            if (!ok || location.port < 1 || location.port > 65535) {
                *error = QStringLiteral("LogServer: port \"%1\" is no port number").arg(value);
                return std::nullopt;
            }
        } else if (key == u"dbname" || key == u"database") {
            location.database = value;
        } else if (key == u"user") {
            location.user = value;
        } else if (key == u"password") {
            *error = QStringLiteral("LogServer: a password is never kept in the settings; put it in ~/.pgpass");
            return std::nullopt;
        } else {
            *error = QStringLiteral("LogServer: unknown key \"%1\" (host, port, dbname, user)").arg(key);
            return std::nullopt;
        }
    }
    if (location.database.isEmpty()) {
        *error = QStringLiteral("LogServer: dbname is missing");
        return std::nullopt;
    }
    return location;
}

std::optional<QString> LogTimeBound(const QString& text, bool until)
{
    const QString trimmed = text.trimmed();
    const QDate date = QDate::fromString(trimmed, Qt::ISODate);
    if (date.isValid() && trimmed.size() == 10) {
        const QDate day = until ? date.addDays(1) : date;
        return QDateTime(day, QTime(0, 0), Qt::UTC).toString(Qt::ISODateWithMs);
    }
    QDateTime time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime::fromString(trimmed, Qt::ISODate);
    if (!time.isValid() || time.timeSpec() == Qt::LocalTime)
        return std::nullopt;  // a time must say its zone: the log holds UTC
    // "until" a time includes that time.
    const QDateTime bound = until ? time.toUTC().addMSecs(1) : time.toUTC();
    return bound.toString(Qt::ISODateWithMs);
}

ProductionLog::ProductionLog(LogLocation location)
    : m_location(std::move(location))
    , m_connection(QStringLiteral("tessaro-log-%1").arg(++g_connectionCounter))
{
    if (m_location.kind != LogLocation::Kind::SQLite)
        return;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        m_protected.push_back(std::make_unique<ProtectedFile>(m_location.path + QLatin1String(suffix),
                                                              QStringLiteral("the production log database")));
    }
}

ProductionLog::~ProductionLog()
{
    closeConnection();
}

void ProductionLog::closeConnection()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

QString ProductionLog::lastError() const
{
    return DatabaseError(QSqlDatabase::database(m_connection, false).lastError());
}

bool ProductionLog::execute(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (query.exec(statement))
        return true;
    m_problem = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
    return false;
}

bool ProductionLog::openConnection()
{
    closeConnection();
    const bool sqlite = m_location.kind == LogLocation::Kind::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        m_problem = QStringLiteral("the Qt SQL driver %1 is not installed (%2)")
                        .arg(driver, sqlite ? QStringLiteral("libqt6sql6-sqlite") : QStringLiteral("libqt6sql6-psql"));
        return false;
    }
    return (!sqlite || prepareFile()) && connectTo(m_location.path, true);
}

bool ProductionLog::prepareFile()
{
    const QString& path = m_location.path;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return true;  // whether it is a log, connectTo() finds out
    if (m_location.creation == LogLocation::Creation::None) {
        m_problem = QStringLiteral("no production log at ") + path;
        return false;
    }
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir()) {
        if (m_location.creation != LogLocation::Creation::FileAndFolder || !QDir().mkpath(folder)) {
            m_problem = path + QStringLiteral(": the folder ") + folder +
                        (QFileInfo::exists(folder) ? QStringLiteral(" is not a folder") : QStringLiteral(" does not exist"));
            return false;
        }
    }
    return createFile(folder);
}

bool ProductionLog::createFile(const QString& folder)
{
#ifdef Q_OS_UNIX
    // The new log is made whole under a temporary name and linked into place,
    // so that nobody ever finds it half made, and a file that appeared
    // meanwhile is kept (and used when it is a log).
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral("/.production-log-XXXXXX"));
    const int fd = ::mkstemp(temporary.data());  // mode 0600
    if (fd < 0) {
        m_problem = m_location.path + QStringLiteral(": ") + SystemError(errno);
        return false;
    }
    ::close(fd);
    bool made = connectTo(QFile::decodeName(temporary), false) && migrate();
    closeConnection();
    if (made && ::link(temporary.constData(), QFile::encodeName(m_location.path).constData()) != 0 && errno != EEXIST) {
        m_problem = m_location.path + QStringLiteral(": ") + SystemError(errno);
        made = false;
    }
    ::unlink(temporary.constData());
    return made;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

bool ProductionLog::connectTo(const QString& file, bool mustBeLog)
{
    closeConnection();
    const bool sqlite = m_location.kind == LogLocation::Kind::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    m_busyWaitMs = m_location.busyTimeoutMs;
    if (sqlite) {
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_location.busyTimeoutMs));
    } else {
        db.setHostName(m_location.host);
        if (m_location.port != 0)
            db.setPort(m_location.port);
        db.setDatabaseName(m_location.database);
        db.setUserName(m_location.user);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(std::max(1, m_location.busyTimeoutMs / 1000)));
    }
    if (!db.open()) {
        m_problem = m_location.describe() + QStringLiteral(": ") + DatabaseError(db.lastError());
        return false;
    }
    if (sqlite) {
        // An existing file is written only when it is a production log
        // (a log of any schema version has the version table).
        QSqlQuery tables(db);
        if (!tables.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")) || !tables.next()) {
            m_problem = m_location.describe() + QStringLiteral(": ") + DatabaseError(tables.lastError());
            return false;
        }
        const bool empty = tables.value(0).toInt() == 0;
        tables.finish();
        if (mustBeLog && (!tables.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND "
                                                   "name = 'schema_info'")) ||
                       !tables.next() || tables.value(0).toInt() == 0)) {
            m_problem = m_location.path + (empty ? QStringLiteral(": an empty file, not a production log; it is left as it is")
                                                 : QStringLiteral(": not a production log (an SQLite database of "
                                                                  "other tables); it is left as it is"));
            return false;
        }
    }
    if (sqlite) {
        // Readers never wait for the writer. In WAL mode NORMAL keeps every
        // commit through a crash or kill of the process; only a power cut
        // may take the last commits back (the database stays sound), and a
        // commit then waits for no disk flush.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    } else {
        QSqlQuery setup(db);
        // A lock held by another station longer than this fails the write; it then waits in memory.
        setup.exec(QStringLiteral("SET lock_timeout = %1").arg(m_location.busyTimeoutMs));
        // The server's notices ("already exists, skipping") are no news to the operator.
        setup.exec(QStringLiteral("SET client_min_messages = warning"));
    }
    m_open = true;
    return true;
}

bool ProductionLog::readOnlyForNewerSchema(int version)
{
    m_foundVersion = version;
    if (version <= kSchemaVersion)
        return false;
    m_readOnly = true;
    m_problem = QStringLiteral("%1 was written by a newer TESSARO (log schema %2, this one knows %3): it is opened "
                               "for reading only, and new records are kept in memory")
                    .arg(m_location.describe())
                    .arg(version)
                    .arg(kSchemaVersion);
    return true;
}

bool ProductionLog::migrate()
{
    const bool sqlite = m_location.kind == LogLocation::Kind::SQLite;
    {
        // A database that is up to date (or newer) needs no write at all:
        // it can be read from a read-only place.
        QSqlQuery current(QSqlDatabase::database(m_connection, false));
        if (current.exec(QStringLiteral("SELECT version FROM schema_info")) && current.next()) {
            const int version = current.value(0).toInt();
            current.finish();
            if (readOnlyForNewerSchema(version) || version == kSchemaVersion)
                return true;
        }
    }
    if (!execute(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return false;
    const auto fail = [this] {
        QString problem = m_problem;
        execute(QStringLiteral("ROLLBACK"));
        m_problem = problem;
        return false;
    };
    if (!sqlite && !execute(QString::fromLatin1(kMigrationLock)))
        return fail();
    if (!execute(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_info (version INTEGER NOT NULL)")))
        return fail();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT version FROM schema_info"))) {
        m_problem = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
        return fail();
    }
    int version = 0;
    if (query.next()) {
        version = query.value(0).toInt();
    } else if (!execute(QStringLiteral("INSERT INTO schema_info (version) VALUES (0)"))) {
        return fail();
    }
    query.finish();
    if (readOnlyForNewerSchema(version)) {
        const QString problem = m_problem;
        execute(QStringLiteral("ROLLBACK"));
        m_problem = problem;
        return true;
    }
    const auto& migrations = Migrations();
    for (int next = version + 1; next <= kSchemaVersion; ++next) {
        for (const char* statement : migrations[static_cast<std::size_t>(next - 1)]) {
            QString text = QString::fromLatin1(statement);
            text.replace(QStringLiteral("{ID}"), sqlite ? QStringLiteral("INTEGER PRIMARY KEY")
                                                        : QStringLiteral("BIGSERIAL PRIMARY KEY"));
            text.replace(QStringLiteral("{BLOB}"), sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA"));
            if (!execute(text))
                return fail();
        }
        if (!execute(QStringLiteral("UPDATE schema_info SET version = %1").arg(next)))
            return fail();
    }
    if (!execute(QStringLiteral("COMMIT")))
        return fail();
    m_foundVersion = std::max(version, kSchemaVersion);
    return true;
}

bool ProductionLog::open()
{
    m_readOnly = false;
    if (!openConnection() || !migrate()) {
        closeConnection();
        return false;
    }
    if (!m_readOnly)
        m_problem.clear();
    return true;
}

bool ProductionLog::write(const LogRecord& record)
{
    const bool sqlite = m_location.kind == LogLocation::Kind::SQLite;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // IMMEDIATE: the write lock is taken (or waited for) at once, so that two
    // writers never deadlock on a lock upgrade.
    if (!execute(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return false;
    const auto fail = [this](const QSqlQuery& query) {
        m_problem = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
        const QString problem = m_problem;
        execute(QStringLiteral("ROLLBACK"));
        m_problem = problem;
        return false;
    };
    QSqlQuery query(db);
    const bool hasImage = !record.imageSha256.isEmpty();
    if (hasImage) {
        query.prepare(QStringLiteral(
            "INSERT INTO images (sha256, size, data) VALUES (?, ?, ?) ON CONFLICT (sha256) DO NOTHING"));
        query.addBindValue(record.imageSha256);
        query.addBindValue(record.image.size());
        query.addBindValue(record.image);
        if (!query.exec())
            return fail(query);
    }
    query.prepare(QStringLiteral("INSERT INTO operations (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(QLatin1String(kColumns)));
    query.addBindValue(Text(record.timeUtc));
    query.addBindValue(Text(record.station));
    query.addBindValue(Text(record.operatorName));
    query.addBindValue(Text(record.operation));
    query.addBindValue(Text(record.port));
    query.addBindValue(Text(record.document));
    query.addBindValue(hasImage ? QVariant(record.imageSha256) : QVariant(QMetaType::fromType<QString>()));
    query.addBindValue(record.imageSize);
    query.addBindValue(Text(record.serialNumber));
    query.addBindValue(Text(record.moduleSummary));
    query.addBindValue(record.ok ? 1 : 0);
    query.addBindValue(Text(record.result));
    query.addBindValue(Text(record.testResult));
    query.addBindValue(Text(record.failPins));
    query.addBindValue(Text(record.passPins));
    query.addBindValue(record.durationMs);
    if (!query.exec())
        return fail(query);
    query.finish();
    return execute(QStringLiteral("COMMIT")) || (execute(QStringLiteral("ROLLBACK")), false);
}

void ProductionLog::setBusyWait(int milliseconds)
{
    if (!m_open || milliseconds == m_busyWaitMs)
        return;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // PostgreSQL takes 0 as no limit: one millisecond is no wait.
    if (query.exec(m_location.kind == LogLocation::Kind::SQLite
                       ? QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds)
                       : QStringLiteral("SET lock_timeout = %1").arg(std::max(1, milliseconds))))
        m_busyWaitMs = milliseconds;
}

void ProductionLog::append(LogRecord record)
{
    m_pending.push_back(std::move(record));
    flush();
}

bool ProductionLog::flush()
{
    if (m_pending.empty())
        return true;
    if (!m_open && !open())
        return false;
    if (m_readOnly)
        return false;
    setBusyWait(m_writeFailed ? 0 : m_location.busyTimeoutMs);
    const auto failed = [this] {
        m_writeFailed = true;
        // A server connection may have gone; the next try opens it anew.
        if (m_location.kind == LogLocation::Kind::PostgreSQL) {
            const QString problem = m_problem;
            closeConnection();
            m_problem = problem;
        }
        return false;
    };
    if (!writeKeptRecords())
        return failed();
    while (!m_pending.empty()) {
        if (!write(m_pending.front()))
            return failed();
        m_pending.pop_front();
    }
    if (std::exchange(m_writeFailed, false))
        setBusyWait(m_location.busyTimeoutMs);
    m_problem.clear();
    return true;
}

bool ProductionLog::writeKeptRecords()
{
#ifdef Q_OS_UNIX
    if (m_location.keptRecordsPath.isEmpty())
        return true;
    const int fd = ::open(QFile::encodeName(m_location.keptRecordsPath).constData(),
                          O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;  // none kept
    // Held by another program, which is writing them or keeping more: left to it.
    struct stat info {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        ::close(fd);
        return true;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return true;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    qsizetype next = 0;
    for (; next < lines.size(); ++next) {
        const std::optional<LogRecord> record = RecordOfLine(lines[next]);
        if (record && !write(*record))
            break;
    }
    // What could not be written stays for the next try; a line that is no
    // record goes.
    QByteArray rest;
    for (qsizetype i = next; i < lines.size(); ++i)
        if (!lines[i].isEmpty())
            rest += lines[i] + '\n';
    file.seek(0);
    file.write(rest);
    file.flush();
    file.resize(rest.size());
    ::fsync(file.handle());
    return rest.isEmpty();
#else
    return true;
#endif
}

bool ProductionLog::keepWaiting(QString* error)
{
    if (m_pending.empty())
        return true;
    const QString& path = m_location.keptRecordsPath;
    if (path.isEmpty()) {
        *error = QStringLiteral("no file to keep them in");
        return false;
    }
#ifdef Q_OS_UNIX
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = path + QStringLiteral(": ") + SystemError(errno);
        return false;
    }
    ::flock(fd, LOCK_EX);  // not in the middle of another program's writing
    QByteArray lines;
    for (const LogRecord& record : m_pending)
        lines += RecordLine(record);
    qsizetype done = 0;
    while (done < lines.size()) {
        const ssize_t n = ::write(fd, lines.constData() + done, static_cast<std::size_t>(lines.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    const int code = errno;
    const bool synced = done == lines.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!synced) {
        *error = path + QStringLiteral(": ") + SystemError(done == lines.size() ? errno : code);
        return false;
    }
    m_pending.clear();
    return true;
#else
    *error = QStringLiteral("no file to keep them in");
    return false;
#endif
}

QString ProductionLog::statusText() const
{
    if (m_pending.empty())
        return {};
    const int count = pendingCount();
    return QStringLiteral("production log: %1 record%2 waiting to be written: %3")
        .arg(count)
        .arg(count == 1 ? QString() : QStringLiteral("s"))
        .arg(m_problem);
}

namespace {

// The WHERE clause of a filter and its values, in order.
QString WhereClause(const LogFilter& filter, bool sqlite, QVariantList& values)
{
    QStringList conditions;
    if (!filter.since.isEmpty()) {
        conditions << QStringLiteral("time_utc >= ?");
        values << filter.since;
    }
    if (!filter.until.isEmpty()) {
        conditions << QStringLiteral("time_utc < ?");
        values << filter.until;
    }
    if (filter.ok) {
        conditions << QStringLiteral("ok = ?");
        values << (*filter.ok ? 1 : 0);
    }
    if (!filter.text.isEmpty()) {
        QStringList any;
        for (const char* column : {"serial_number", "document", "module_summary", "result", "operation", "station"})
            // SQLite's LIKE ignores the case of ASCII letters already.
            any << (sqlite ? QStringLiteral("%1 LIKE ? ESCAPE '\\'") : QStringLiteral("%1 ILIKE ? ESCAPE '\\'"))
                       .arg(QLatin1String(column));
        conditions << u'(' + any.join(QStringLiteral(" OR ")) + u')';
        QString pattern = filter.text;
        pattern.replace(u'\\', QStringLiteral("\\\\"))
            .replace(u'%', QStringLiteral("\\%"))
            .replace(u'_', QStringLiteral("\\_"));
        for (int i = 0; i < any.size(); ++i)
            values << u'%' + pattern + u'%';
    }
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

// The stored column that orders a listed one.
QString OrderColumn(const QString& column)
{
    // Only these names reach the statement; three are stored under another name.
    static const std::map<QString, QString> renamed{
        {QStringLiteral("time"), QStringLiteral("time_utc")},
        {QStringLiteral("operator"), QStringLiteral("operator_mode")},
        {QStringLiteral("module"), QStringLiteral("module_summary")},
    };
    static const QStringList sameName{
        QStringLiteral("station"), QStringLiteral("operation"), QStringLiteral("port"),
        QStringLiteral("document"), QStringLiteral("image_sha256"), QStringLiteral("serial_number"),
        QStringLiteral("result"), QStringLiteral("test_result"), QStringLiteral("fail_pins"),
        QStringLiteral("duration_ms"),
    };
    if (const auto it = renamed.find(column); it != renamed.end())
        return it->second;
    return sameName.contains(column) ? column : QString();
}

}  // namespace

std::vector<LogRecord> ProductionLog::records(const LogFilter& filter, QString* error)
{
    return page(filter, QString(), false, 0, -1, error);
}

int ProductionLog::count(const LogFilter& filter, QString* error)
{
    if (!m_open && !open()) {
        *error = m_problem;
        return -1;
    }
    QVariantList values;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM operations") + WhereClause(filter, m_location.kind == LogLocation::Kind::SQLite, values));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec() || !query.next()) {
        *error = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
        return -1;
    }
    return query.value(0).toInt();
}

std::vector<LogRecord> ProductionLog::page(const LogFilter& filter, const QString& column, bool descending,
                                           int offset, int limit, QString* error)
{
    std::vector<LogRecord> rows;
    if (!m_open && !open()) {
        *error = m_problem;
        return rows;
    }
    QVariantList values;
    QString statement = QStringLiteral("SELECT id, %1 FROM operations").arg(QLatin1String(kColumns)) +
                        WhereClause(filter, m_location.kind == LogLocation::Kind::SQLite, values);
    const QString direction = descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    const QString order = OrderColumn(column);
    statement += QStringLiteral(" ORDER BY ") + (order.isEmpty() ? QString() : order + direction + QStringLiteral(", ")) +
                 QStringLiteral("id") + direction;
    if (limit >= 0)
        statement += QStringLiteral(" LIMIT %1 OFFSET %2").arg(limit).arg(offset);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
        return rows;
    }
    while (query.next()) {
        LogRecord r;
        r.id = query.value(0).toLongLong();
        r.timeUtc = query.value(1).toString();
        r.station = query.value(2).toString();
        r.operatorName = query.value(3).toString();
        r.operation = query.value(4).toString();
        r.port = query.value(5).toString();
        r.document = query.value(6).toString();
        r.imageSha256 = query.value(7).toString();
        r.imageSize = query.value(8).toInt();
        r.serialNumber = query.value(9).toString();
        r.moduleSummary = query.value(10).toString();
        r.ok = query.value(11).toInt() != 0;
        r.result = query.value(12).toString();
        r.testResult = query.value(13).toString();
        r.failPins = query.value(14).toString();
        r.passPins = query.value(15).toString();
        r.durationMs = query.value(16).toLongLong();
        rows.push_back(std::move(r));
    }
    return rows;
}

std::optional<QByteArray> ProductionLog::image(const QString& sha256, QString* error)
{
    if (!m_open && !open()) {
        *error = m_problem;
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT data FROM images WHERE sha256 = ?"));
    query.addBindValue(sha256.toLower());
    if (!query.exec()) {
        *error = m_location.describe() + QStringLiteral(": ") + DatabaseError(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        *error = QStringLiteral("no image with SHA-256 %1 in %2").arg(sha256, m_location.describe());
        return std::nullopt;
    }
    return query.value(0).toByteArray();
}

}  // namespace tessaro
