#include "log/productionlog.h"

#include "files/filename.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

#ifdef Q_OS_UNIX
#include <fcntl.h>
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

#ifdef Q_OS_UNIX
// Creates the file with mode 0600 unless it exists; its folder too.
QString CreatePrivateFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return {};
    if (!QDir().mkpath(info.absolutePath()))
        return path + QStringLiteral(": cannot create the folder ") + info.absolutePath();
    const int fd = ::open(FileNameBytes(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return {};
        return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    return {};
}
#endif

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
#ifdef Q_OS_UNIX
    if (sqlite) {
        if (const QString trouble = CreatePrivateFile(m_location.path); !trouble.isEmpty()) {
            m_problem = trouble;
            return false;
        }
    }
#endif
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    if (sqlite) {
        db.setDatabaseName(m_location.path);
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
    query.addBindValue(Text(record.operatorMode));
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
    while (!m_pending.empty()) {
        if (!write(m_pending.front())) {
            // A server connection may have gone; the next try opens it anew.
            if (m_location.kind == LogLocation::Kind::PostgreSQL) {
                const QString problem = m_problem;
                closeConnection();
                m_problem = problem;
            }
            return false;
        }
        m_pending.pop_front();
    }
    m_problem.clear();
    return true;
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
    static const std::map<QString, QString> columns{
        {QStringLiteral("time"), QStringLiteral("time_utc")},
        {QStringLiteral("station"), QStringLiteral("station")},
        {QStringLiteral("operator"), QStringLiteral("operator_mode")},
        {QStringLiteral("operation"), QStringLiteral("operation")},
        {QStringLiteral("port"), QStringLiteral("port")},
        {QStringLiteral("document"), QStringLiteral("document")},
        {QStringLiteral("image_sha256"), QStringLiteral("image_sha256")},
        {QStringLiteral("serial_number"), QStringLiteral("serial_number")},
        {QStringLiteral("module"), QStringLiteral("module_summary")},
        {QStringLiteral("result"), QStringLiteral("result")},
        {QStringLiteral("test_result"), QStringLiteral("test_result")},
        {QStringLiteral("fail_pins"), QStringLiteral("fail_pins")},
        {QStringLiteral("duration_ms"), QStringLiteral("duration_ms")},
    };
    const auto it = columns.find(column);
    return it == columns.end() ? QString() : it->second;
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
        r.operatorMode = query.value(3).toString();
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
