#include "app/singleinstance.h"

#include "app/messages.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <utility>

namespace tessaro::ui {

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kActivateRequest = QByteArrayLiteral("activate\n");
// Anything longer than a request is not one of ours.
constexpr qint64 kMaxRequestLength = 64;

QString UserName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user;
}

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_name(serverName.isEmpty() ? DefaultServerName() : std::move(serverName))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName()
{
    // Hashed so that any user name makes a valid socket name.
    const QByteArray key = (QString::fromUtf8(kProductTitle).trimmed() + QLatin1Char('/') + UserName()).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("tessaro-") + QString::fromLatin1(digest);
}

bool SingleInstance::knock(bool activate)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    if (activate) {
        socket.write(kActivateRequest);
        socket.waitForBytesWritten(kConnectTimeoutMs);
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
    if (knock(false))
        return false;

    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    }
    if (!m_server->listen(m_name) && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Either an instance that started at the same moment, or the remains of
        // one that crashed: only the second may be removed.
        if (knock(false))
            return false;
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
    // Should listening fail for any other reason the system still runs; it
    // only cannot be found by a later instance.
    return true;
}

void SingleInstance::activatePrimary()
{
    (void)knock(true);  // nobody there: nothing to bring forward
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
        if (socket->readLine() == kActivateRequest)
            emit activateRequested();
    }
    if (socket->bytesAvailable() > kMaxRequestLength)
        socket->abort();
}

void ShowAlreadyRunning(QWidget* parent)
{
    ShowError(parent, QString::fromUtf8(kProductTitle), QStringLiteral("本程式已執行"));
}

}  // namespace tessaro::ui
