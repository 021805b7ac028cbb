#include "files/settingsstore.h"

#include "files/filename.h"
#include "files/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaro {

namespace {

const QString kSettingsKey = QStringLiteral("Settings");
const QString kHistoryKey = QStringLiteral("History");
const QString kCommPortName = QStringLiteral("CommPort");
const QString kMarkerName = QStringLiteral("PASS1");
const QString kPasswordName = QStringLiteral("PASS2");
const QString kDefaultPort = QStringLiteral("1");

constexpr int kMinHistoryLength = 2;  // a shorter history value counts as missing
constexpr int kHighestPort = 4;

// The port a stored "CommPort" text asks for: its number when that is 1 to 4.
// A number greater than 4 runs on port 1, and so does a text that is no port
// number at all (empty, "0", letters, signs): like the too-large number it
// gives port 1 for this run and the stored text stays as it is. Surrounding
// blanks are ignored and leading zeros allowed ("03" is port 3).
int PortFromStoredText(const QString& text)
{
    const QString digits = text.trimmed();
    const bool allDigits = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits.isEmpty() || !allDigits)
        return 1;
    bool ok = false;
    const qulonglong number = digits.toULongLong(&ok);  // fails only when it is too large
    return ok && number >= 1 && number <= kHighestPort ? static_cast<int>(number) : 1;
}

// The file the user's store is kept in on this system.
QString UserSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Korvalen inc./TESSARO .conf");
}

// Why the settings must not be read from path: it exists and is neither a
// regular file nor a folder. A FIFO would hold the start-up until something
// writes into it, and a device would be read and even replaced. Empty when
// the place is fine or missing (it is then created).
QString UnusablePlace(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return {};
    return path + QStringLiteral(": not a regular file");
#else
    Q_UNUSED(path);
    return {};
#endif
}

QString HistoryName(int i)
{
    Q_ASSERT(i >= 1 && i <= SettingsStore::kHistoryEntries);
    return QString::number(i);
}

}  // namespace

SettingsStore::SettingsStore()
{
    m_problem = UnusablePlace(UserSettingsPath());
    if (m_problem.isEmpty())
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 QStringLiteral("Korvalen inc."), QStringLiteral("TESSARO "));
    open();
}

SettingsStore::SettingsStore(const QString& iniPath)
{
    m_problem = UnusablePlace(iniPath);
    if (m_problem.isEmpty())
        m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
    open();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::open()
{
    if (m_settings) {
        m_protected = std::make_unique<ProtectedFile>(m_settings->fileName(), QStringLiteral("the settings file"));
        preparePrivateFile();
        return;
    }
    // Nothing may be read from or written to the place: this run keeps its
    // values in a file of its own that goes when the run ends.
    m_scratch = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<QSettings>(m_scratch->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
}

void SettingsStore::preparePrivateFile()
{
    const QString path = m_settings->fileName();
    auto fail = [this, &path](const QString& reason) { m_problem = path + QStringLiteral(": ") + reason; };
    auto systemReason = [] { return QString::fromLocal8Bit(std::strerror(errno)); };
    if (path.isEmpty()) {
        m_problem = QStringLiteral("no place for the settings file");
        return;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("its folder cannot be created"));
        return;
    }
#ifdef Q_OS_UNIX
    // Non-blocking, so that a FIFO in the way fails at once instead of waiting
    // for a reader; the mode applies only when the file is created here.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail(systemReason());
        return;
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (statted && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        (void)::fchmod(fd, info.st_mode & 0700);  // left readable by others by an earlier version
    ::close(fd);
    if (!statted) {
        fail(systemReason());
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        fail(QStringLiteral("not a regular file"));
        return;
    }
    // Every rewrite goes through a new file in the same folder.
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        fail(QStringLiteral("folder ") + folder + QStringLiteral(": ") + systemReason());
        return;
    }
#else
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        fail(file.errorString());
        return;
    }
#endif
}

QString SettingsStore::readText(const QString& group, const QString& name)
{
    const QString key = group + u'/' + name;
    if (!m_settings->contains(key))
        return {};
    const QVariant value = m_settings->value(key);
    // An ini file edited by hand may hold an unquoted value with commas, which
    // comes back as a list: the text is its parts joined again.
    // A file name that is not UTF-8 is kept as bytes (see writeHistory).
    QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                   : value.typeId() == QMetaType::QByteArray ? FileNameFromBytes(value.toByteArray().toStdString())
                                                              : value.toString();
    if (text.isNull())
        text = QLatin1String("");  // present but empty: not the same as missing
    return text;
}

void SettingsStore::writeText(const QString& group, const QString& name, const QString& text)
{
    m_settings->setValue(group + u'/' + name, text.isNull() ? QString(QLatin1String("")) : text);
}

QString SettingsStore::readHistoryValue(const QString& name)
{
    const QString text = readText(kHistoryKey, name);
    if (text.size() >= kMinHistoryLength)
        return text;
    writeText(kHistoryKey, name, QString());
    return {};
}

QString SettingsStore::readHistory(int i)
{
    return readHistoryValue(HistoryName(i));
}

void SettingsStore::writeHistory(int i, const QString& path)
{
    // The ini file holds UTF-8 text: a name with other bytes is kept as bytes
    // ("@ByteArray(...)"), which reads back whole.
    const QByteArray bytes = FileNameBytes(path);
    if (QString::fromUtf8(bytes) != path)
        m_settings->setValue(kHistoryKey + u'/' + HistoryName(i), bytes);
    else
        writeText(kHistoryKey, HistoryName(i), path);
}

QString SettingsStore::readPasswordMarker()
{
    return readHistoryValue(kMarkerName);
}

QString SettingsStore::readPassword()
{
    return readHistoryValue(kPasswordName);
}

void SettingsStore::writePassword(const QString& storedForm)
{
    writeText(kHistoryKey, kMarkerName, kPasswordMarker);
    writeText(kHistoryKey, kPasswordName, storedForm);
}

SettingsStore::CommPortValue SettingsStore::readCommPort()
{
    const QString text = readText(kSettingsKey, kCommPortName);
    if (text.isNull()) {
        writeText(kSettingsKey, kCommPortName, kDefaultPort);
        return {true, kDefaultPort};
    }
    return {false, text};
}

void SettingsStore::writeCommPort(int port)
{
    Q_ASSERT(port >= 1 && port <= kHighestPort);
    writeText(kSettingsKey, kCommPortName, QString(QChar(u'0' + std::clamp(port, 0, 9))));
}

void SettingsStore::sync()
{
    m_settings->sync();
    if (m_problem.isEmpty() && m_settings->status() == QSettings::AccessError)
        m_problem = m_settings->fileName() + QStringLiteral(": the settings could not be written");
}

int SetUpCommPort(SettingsStore& store, const std::function<bool(int port)>& openPort)
{
    const SettingsStore::CommPortValue stored = store.readCommPort();
    if (stored.missing) {
        // The read has already written "1" back. When port 1 does not open
        // either, it stays set; the next command reports the port.
        openPort(1);
        return 1;
    }
    const int port = PortFromStoredText(stored.text);
    if (openPort(port))
        return port;
    // The configured port does not open: port 1 from now on, also stored.
    // Should port 1 fail as well it stays set and the next command reports it.
    store.writeCommPort(1);
    openPort(1);
    return 1;
}

QString SettingsStore::readPortDevice(int number)
{
    return m_settings->value(QStringLiteral("Settings/Com%1Device").arg(number)).toString();
}

QString SettingsStore::readLogSetting(const QString& name)
{
    return m_settings->value(QStringLiteral("Settings/") + name).toString().trimmed();
}

QString UserSettingsFile()
{
    return UserSettingsPath();
}

QString PeekSetting(const QString& path, const QString& name)
{
    if (!UnusablePlace(path).isEmpty())
        return {};
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(QStringLiteral("Settings/") + name).toString().trimmed();
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}

void SettingsStore::writePortDevice(int number, const QString& device)
{
    const QString key = QStringLiteral("Settings/Com%1Device").arg(number);
    if (device.trimmed().isEmpty())
        m_settings->remove(key);
    else
        m_settings->setValue(key, device.trimmed());
}

PortKind SettingsStore::readPortKind(int number)
{
    return m_settings->value(QStringLiteral("Settings/Com%1Kind").arg(number)).toString() == QLatin1String("spdrw")
               ? PortKind::ReaderWriter
               : PortKind::Programmer;
}

void SettingsStore::writePortKind(int number, PortKind kind)
{
    const QString key = QStringLiteral("Settings/Com%1Kind").arg(number);
    if (kind == PortKind::Programmer)
        m_settings->remove(key);
    else
        m_settings->setValue(key, QStringLiteral("spdrw"));
}

}  // namespace tessaro
