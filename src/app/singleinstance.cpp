#include "app/singleinstance.h"

#include "app/messages.h"
#include "files/filename.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaro::ui {

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kActivateRequest = QByteArrayLiteral("activate\n");
// "open " and a path, percent-encoded UTF-8, so that a line is one request
// whatever characters the name holds.
const QByteArray kOpenRequest = QByteArrayLiteral("open ");
// Anything longer than a request is not one of ours (a path of 4096 bytes,
// each encoded as three characters, fits).
constexpr qint64 kMaxRequestLength = 16 * 1024;

QString UserKey()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("tessaro-") + QString::number(::geteuid());
#else
    return QStringLiteral("tessaro");
#endif
}

#ifdef Q_OS_UNIX
// A folder of the running user that nobody else may enter; nothing is changed.
bool IsPrivateDirectory(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && ::lstat(FileNameBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}
#endif

}  // namespace

bool EnsurePrivateDirectory(const QString& path, QString* why)
{
    auto refuse = [why](const QString& reason) {
        if (why != nullptr)
            *why = reason;
        return false;
    };
#ifdef Q_OS_UNIX
    const QByteArray name = FileNameBytes(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(info.st_mode))
        return refuse(QStringLiteral("not a folder"));
    if (info.st_uid != ::geteuid())
        return refuse(QStringLiteral("owned by user %1").arg(info.st_uid));
    if ((info.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
#else
    if (!QDir().mkpath(path))
        return refuse(QStringLiteral("cannot be created"));
    return true;
#endif
}

QString SingleInstance::PrivateRuntimeDirectory()
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateDirectory(runtime))
        return runtime;
    const QString temporary = QDir(QDir::tempPath()).filePath(UserKey());
    if (EnsurePrivateDirectory(temporary))
        return temporary;
    // Someone else took the name in the shared temporary folder: the user's
    // own cache folder cannot be taken that way.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache)) {
        const QString own = QDir(cache).filePath(UserKey());
        if (EnsurePrivateDirectory(own))
            return own;
    }
    return {};
#else
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = QDir(cache).filePath(UserKey());
    return EnsurePrivateDirectory(own) ? own : QString();
#endif
}

SingleInstance::SingleInstance(QString directory, QObject* parent)
    : QObject(parent), m_directory(directory.isEmpty() ? PrivateRuntimeDirectory() : std::move(directory))
{
    if (!m_directory.isEmpty())
        m_name = QDir(m_directory).filePath(UserKey() + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance()
{
    // The server goes before the lock, so a later start never finds the lock
    // free while the socket still answers.
    delete m_server;
    m_server = nullptr;
}

bool SingleInstance::knock(bool activate, const QStringList& files)
{
    if (m_name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    if (activate) {
        for (const QString& file : files)
            socket.write(kOpenRequest + FileNameBytes(AbsoluteFileName(file)).toPercentEncoding() + '\n');
        socket.write(kActivateRequest);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kConnectTimeoutMs)) {
        }
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::tryBecomePrimary()
{
    if (m_server != nullptr && m_server->isListening())
        return true;
    if (m_directory.isEmpty())
        return true;  // nowhere private to meet: the system runs unchecked

    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(QDir(m_directory).filePath(UserKey() + QStringLiteral(".lock")));
        // Stale only when the process that took it is gone, never by age.
        m_lock->setStaleLockTime(0);
    }
    if (!m_lock->isLocked() && !m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;  // held by a running instance
        // The lock cannot be made at all: the socket alone decides.
        if (knock(false))
            return false;
    }

    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    }
    // Holding the lock, whatever is at the socket's name was left by a crash.
    if (m_lock->isLocked())
        QLocalServer::removeServer(m_name);
    // Should listening fail the system still runs; a later instance then
    // still finds the lock taken.
    (void)m_server->listen(m_name);
    return true;
}

void SingleInstance::activatePrimary(const QStringList& files)
{
    (void)knock(true, files);  // nobody there: nothing to bring forward
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            read(socket);
            socket->deleteLater();
        });
        read(socket);
    }
}

void SingleInstance::read(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine();
        if (line == kActivateRequest) {
            emit activateRequested();
        } else if (line.startsWith(kOpenRequest) && line.endsWith('\n')) {
            const QString path = FileNameFromBytes(
                QByteArray::fromPercentEncoding(line.sliced(kOpenRequest.size(), line.size() - kOpenRequest.size() - 1))
                    .toStdString());
            if (QDir::isAbsolutePath(path))
                emit openRequested(path);
        }
    }
    if (socket->bytesAvailable() > kMaxRequestLength)
        socket->abort();
}

void ShowAlreadyRunning(QWidget* parent)
{
    ShowError(parent, QString::fromUtf8(kProductTitle), QStringLiteral("本程式已執行"));
}

}  // namespace tessaro::ui
