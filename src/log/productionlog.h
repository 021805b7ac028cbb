#pragma once

#include "files/safefile.h"
#include "log/logrecord.h"

#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tessaro {

// Where the production log lives: an SQLite file (the default, one per user)
// or a PostgreSQL server shared by many stations.
struct LogLocation {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind = Kind::SQLite;
    QString path;  // the SQLite file
    // The server; the password comes from ~/.pgpass or the PG* environment,
    // never from here.
    QString host;
    int port = 0;  // 0: the client library's default
    QString database;
    QString user;
    // How long a writer waits for another station's or process's write. Once
    // a write has failed, later tries do not wait until one succeeds, so a
    // database held by another program costs a command this long at most.
    int busyTimeoutMs = 3000;
    // What opening may make of a missing SQLite file: nothing (a listing:
    // "no production log at PATH"), the file in its existing folder (a file
    // that the settings name), or the file and its folders (the default
    // place beside the settings). A file that is there is used only when it
    // is a production log: an empty or other file is never turned into one.
    enum class Creation { None, File, FileAndFolder };
    Creation creation = Creation::FileAndFolder;
    // Where records that a program could not write before it ended are kept
    // (one JSON object a line) for the next one to write; empty: nowhere.
    QString keptRecordsPath;

    // "/home/op/.config/.../production-log.sqlite", "postgresql://user@host:5432/db"
    [[nodiscard]] QString describe() const;
};

// The "LogServer" setting: libpq-style words "host=H port=P dbname=D user=U"
// (any order, each optional but dbname). Words naming a password are refused,
// so that no password is kept in the settings. Empty text: no server.
[[nodiscard]] std::optional<LogLocation> ParseLogServer(const QString& text, QString* error);

// The rows a listing asks for. Bounds are ISO 8601 texts compared with the
// stored UTC times; empty means open.
struct LogFilter {
    QString since;  // inclusive
    QString until;  // exclusive
    std::optional<bool> ok;
    QString text;   // contained in the serial number, document, summary, result, operation or station
};

// The lower bound of a "since" date or time, and the exclusive upper bound of
// an "until" one: a date ("2026-12-10") covers its whole day (UTC), a time
// with a zone ("2026-12-10T09:00:00Z", "...+08:00") is taken as that instant.
// nullopt when the text is no date or time.
[[nodiscard]] std::optional<QString> LogTimeBound(const QString& text, bool until);

// The production log: a database whose schema carries a version number and
// is brought up to date by numbered migrations, the same for both back ends.
// Every record is written in a transaction of its own. A record that cannot be
// written (the database locked past the busy timeout, read-only, a full disk,
// an unreachable server, a newer schema) waits in memory, in order, and is
// written by a later append() or flush(); nothing here ever throws or blocks
// longer than the busy timeout.
class ProductionLog
{
public:
    static constexpr int kSchemaVersion = 1;

    explicit ProductionLog(LogLocation location);
    ~ProductionLog();
    ProductionLog(const ProductionLog&) = delete;
    ProductionLog& operator=(const ProductionLog&) = delete;

    [[nodiscard]] const LogLocation& location() const { return m_location; }

    // Opens the database (a new SQLite file is made whole, with mode 0600,
    // under a temporary name and then put in place) and brings its schema up to date. False, with problem() set, when it cannot
    // be opened now; a later flush() tries again.
    bool open();
    [[nodiscard]] bool isOpen() const { return m_open; }
    // The database was written by a newer version: it is read, never written.
    [[nodiscard]] bool isReadOnly() const { return m_readOnly; }
    // The schema version found in the database (after open()).
    [[nodiscard]] int foundSchemaVersion() const { return m_foundVersion; }
    // Why the log cannot be opened or written now; empty when all is well.
    [[nodiscard]] const QString& problem() const { return m_problem; }

    // Keeps the record and writes every waiting record.
    void append(LogRecord record);
    // Writes the records kept by earlier programs, then the waiting ones;
    // true when none waits any more.
    bool flush();
    // Moves the waiting records into the location's kept-records file, for
    // a later flush() of any program to write; false with *error set when
    // they cannot be kept there (they still wait in memory).
    bool keepWaiting(QString* error);
    [[nodiscard]] int pendingCount() const { return static_cast<int>(m_pending.size()); }
    // How long a write now waits for a busy database (milliseconds): the
    // location's time, or none while a write that failed is tried again.
    [[nodiscard]] int busyWaitMs() const { return m_busyWaitMs; }
    // A line for the status bar while records wait; empty when none does.
    [[nodiscard]] QString statusText() const;

    // The records that pass the filter, oldest first, without their image
    // bytes. Empty with *error set when the log cannot be read.
    [[nodiscard]] std::vector<LogRecord> records(const LogFilter& filter, QString* error);
    // One page of them in the order of `column` (a name of LogColumns(), the
    // record number for an unknown one), ties in the order of writing:
    // at most `limit` records from record `offset` on.
    [[nodiscard]] std::vector<LogRecord> page(const LogFilter& filter, const QString& column, bool descending,
                                              int offset, int limit, QString* error);
    // How many records pass the filter; -1 with *error set.
    [[nodiscard]] int count(const LogFilter& filter, QString* error);
    // The image stored under a SHA-256 (lower-case hex); nullopt with *error
    // set when there is none or the log cannot be read.
    [[nodiscard]] std::optional<QByteArray> image(const QString& sha256, QString* error);

private:
    bool openConnection();
    // Makes sure the SQLite file is there as `creation` allows; false with
    // m_problem set when it is not and may not be made.
    bool prepareFile();
    bool createFile(const QString& folder);
    // Connects to `file` (SQLite) or the server; an SQLite file that
    // `mustBeLog` must hold the log's version table already.
    bool connectTo(const QString& file, bool mustBeLog);
    // The wait for a busy database of the writes from now on.
    void setBusyWait(int milliseconds);
    // Writes the records of the kept-records file, oldest first, and leaves
    // in it those that could not be written; false when any is left.
    bool writeKeptRecords();
    bool migrate();
    // Marks the log read-only when version is newer than this program's.
    bool readOnlyForNewerSchema(int version);
    bool write(const LogRecord& record);
    void closeConnection();
    [[nodiscard]] QString lastError() const;
    bool execute(const QString& statement);

    LogLocation m_location;
    QString m_connection;
    bool m_open = false;
    bool m_readOnly = false;
    int m_foundVersion = 0;
    QString m_problem;
    std::deque<LogRecord> m_pending;
    int m_busyWaitMs = -1;     // the wait the connection has now
    bool m_writeFailed = false;  // the last write failed: the next tries do not wait
    // The SQLite file and its companions, which no output may replace.
    std::vector<std::unique_ptr<ProtectedFile>> m_protected;
};

}  // namespace tessaro
