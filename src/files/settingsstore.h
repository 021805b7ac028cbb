#pragma once

#include <QSettings>
#include <QString>

#include <functional>
#include <memory>

class QTemporaryDir;

namespace tessaro {

class ProtectedFile;

// The kind of device a port number names.
enum class PortKind { Programmer, ReaderWriter };

// The values kept between runs: the programmer's port number under
// "Settings", the three recent files and the two password values under
// "History". Every read that finds a value missing writes its default back at
// once ("CommPort" gets "1", everything else the empty text). A failed read
// counts as missing and a failed write is not retried; whether the store can
// be written at all is found out once, when it is opened, and after sync().
//
// The file is private to its user: created with mode 0600 on Unix, tightened
// to 0600 when an earlier version left it readable by others; rewrites keep
// that mode.
class SettingsStore
{
public:
    // The per-user store of the running user, under "Korvalen inc." and the
    // product name "TESSARO " (with its trailing space).
    SettingsStore();
    // A store kept in the ini file at iniPath.
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    static constexpr int kHistoryEntries = 3;

    // "History" value i (1-3): the path of recent-file entry i, empty when missing.
    [[nodiscard]] QString readHistory(int i);
    void writeHistory(int i, const QString& path);

    // "PASS1": the marker that a password has been set; empty when missing.
    [[nodiscard]] QString readPasswordMarker();
    // "PASS2": the operator password; empty when missing.
    [[nodiscard]] QString readPassword();
    // Writes the marker "QX527" and the password's stored form.
    void writePassword(const QString& storedForm);

    // "CommPort" as stored. When missing, "1" has been written back and text
    // holds that "1".
    struct CommPortValue {
        bool missing = false;
        QString text;
    };
    [[nodiscard]] CommPortValue readCommPort();
    // Writes the port number as one digit.
    void writeCommPort(int port);

    // "Com1Device"..."Com4Device" under "Settings": the serial device that port
    // number n names on this machine; empty when not set. Nothing is written back.
    [[nodiscard]] QString readPortDevice(int number);
    // Stores the device of port number n; an empty device removes the value,
    // so that the number names its usual device again.
    void writePortDevice(int number, const QString& device);
    // "Com1Kind"..."Com4Kind" under "Settings": the kind of device on port
    // number n. Missing (or any other text) is the RS-232 programmer/tester,
    // as before the value existed; nothing is written back.
    [[nodiscard]] PortKind readPortKind(int number);
    // The programmer removes the value; the reader/writer stores "spdrw".
    void writePortKind(int number, PortKind kind);

    // The production log's settings under "Settings": "LogDatabase" (the
    // SQLite file), "LogServer" (a PostgreSQL server), "StationName" and "OperatorName";
    // empty when not set. Nothing is written back.
    [[nodiscard]] QString readLogSetting(const QString& name);
    // The file the values are kept in.
    [[nodiscard]] QString fileName() const;

    // Writes pending changes out and picks up changes made by others.
    void sync();

    // Whether changes reach the file: false when its place cannot be created
    // or written (a folder or something else in the way, a read-only or
    // missing place) or when the last sync() failed.
    [[nodiscard]] bool isWritable() const { return m_problem.isEmpty(); }
    // Why the store cannot be written, naming the file; empty when it can.
    [[nodiscard]] QString problem() const { return m_problem; }

private:
    // Opens the store unless its place is unusable; then a scratch file
    // stands in for it for this run.
    void open();
    // Creates the file (mode 0600) and its folder when missing and checks
    // that both can be written; records the reason when they cannot.
    void preparePrivateFile();

    // The text of value name under group; a null QString when missing.
    [[nodiscard]] QString readText(const QString& group, const QString& name);
    void writeText(const QString& group, const QString& name, const QString& text);
    // A history value: missing, or present with fewer than two characters,
    // reads as empty and is rewritten as the empty text.
    [[nodiscard]] QString readHistoryValue(const QString& name);

    QString m_problem;
    std::unique_ptr<QTemporaryDir> m_scratch;
    std::unique_ptr<QSettings> m_settings;
    // The file, which no output may replace while the store is in use.
    std::unique_ptr<ProtectedFile> m_protected;
};

// The per-user settings file of the running user (it may not exist yet).
[[nodiscard]] QString UserSettingsFile();
// The value name under "Settings" of the settings file at path, trimmed, read
// without creating or changing anything; empty when missing.
[[nodiscard]] QString PeekSetting(const QString& path, const QString& name);

// The marker stored as "PASS1" once an operator password has been set (also
// the built-in default password).
inline constexpr QLatin1String kPasswordMarker{"QX527"};

// The port set-up of the start-up: reads "CommPort", opens the port it names
// (port 1 when it is missing or unusable) and falls back to port 1 when the
// named port does not open. openPort(n) closes the port if it is open, sets
// port number n and opens it, and tells whether it opened. Returns the port
// number now set.
[[nodiscard]] int SetUpCommPort(SettingsStore& store, const std::function<bool(int port)>& openPort);

}  // namespace tessaro
