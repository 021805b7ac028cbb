#include "device/serialline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tessaro {

QString PortDeviceName(int number, const std::function<QString(int)>& configured)
{
#ifdef Q_OS_WIN
    Q_UNUSED(configured);
    return QStringLiteral("COM%1").arg(number);
#else
    if (configured) {
        const QString device = configured(number).trimmed();
        if (!device.isEmpty())
            return device;
    }
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString SerialDevicePath(const QString& name)
{
#ifdef Q_OS_WIN
    return name;
#else
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
#endif
}

QString DeviceGroupName(const QString& path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return {};
#else
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    const struct group* owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
#endif
}

QString SerialPermissionAdvice(const QString& path)
{
    QString group = DeviceGroupName(path);
    if (group.isEmpty())
        group = QStringLiteral("dialout");
    return QStringLiteral("to use %1 you must be in the group \"%2\" that owns it; join it with "
                          "\"sudo usermod -aG %2 $USER\", then log out and in again")
        .arg(path, group);
}

bool DeviceLock::take(const QString& path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return true;
    const QString identity = S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)
                                 ? QStringLiteral("dev-%1-%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev))
                                 : QStringLiteral("file-%1-%2").arg(info.st_dev).arg(info.st_ino);
    if (m_fd >= 0 && identity == m_identity)
        return true;
    release();
    // The place every user can make lock files in; the files stay, empty.
    const QString folder = QFileInfo(QStringLiteral("/run/lock")).isWritable() ? QStringLiteral("/run/lock")
                                                                               : QDir::tempPath();
    const QByteArray file = QFile::encodeName(folder + QStringLiteral("/tessaro-") + identity + QStringLiteral(".lock"));
    // Read-only is enough for the lock, so that the file of one user serves all.
    const int fd = ::open(file.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return true;
    struct stat lockInfo {};
    if (::fstat(fd, &lockInfo) != 0 || !S_ISREG(lockInfo.st_mode)) {
        ::close(fd);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        return code != EWOULDBLOCK;
    }
    m_fd = fd;
    m_identity = identity;
    return true;
#endif
}

void DeviceLock::release()
{
#ifndef Q_OS_WIN
    if (m_fd >= 0)
        ::close(m_fd);
#endif
    m_fd = -1;
    m_identity.clear();
}

QString DeviceInUseText(const QString& path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return QStringLiteral("port ") + path + QStringLiteral(": another command is using this device") +
           (real.isEmpty() || real == path ? QString() : QStringLiteral(" (") + real + u')');
}

QtSerialLine::QtSerialLine(std::function<QString(int)> device)
    : m_device(std::move(device))
{
}

bool QtSerialLine::setPortNumber(int number)
{
    if (m_port.isOpen() || number < 1 || number > 4)
        return false;
    if (number != m_number)
        m_lock.release();
    m_number = number;
    return true;
}

QString QtSerialLine::portText() const
{
    const QString device = deviceName();
    return device.isEmpty() ? SerialLine::portText() : QStringLiteral("port ") + SerialDevicePath(device);
}

bool QtSerialLine::failed(const QString& what)
{
    m_error = QStringLiteral("port ") + SerialDevicePath(m_device(m_number)) + QStringLiteral(": ") + (what.isEmpty() ? QString() : what + QStringLiteral(": ")) +
              m_port.errorString();
    // A port that failed (for example an unplugged adapter) is closed so that
    // the next command opens it afresh.
    if (m_port.isOpen())
        m_port.close();
    return false;
}

bool QtSerialLine::open()
{
    if (m_port.isOpen())
        return true;
    const QString path = SerialDevicePath(m_device(m_number));
    if (path.isEmpty()) {
        m_error = QStringLiteral("no serial device is named for port %1").arg(m_number);
        return false;
    }
    if (!m_lock.take(path)) {
        m_error = DeviceInUseText(path);
        return false;
    }
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
#ifndef Q_OS_WIN
        // The device is there but this user may not open it: say which group
        // grants it and how to join that group.
        const QByteArray file = QFile::encodeName(path);
        if (m_port.error() == QSerialPort::PermissionError && ::access(file.constData(), R_OK | W_OK) != 0 &&
            errno == EACCES) {
            m_error = QStringLiteral("port ") + path + QStringLiteral(": Permission denied: ") + SerialPermissionAdvice(path);
            return false;
        }
        // A device this user may open that refuses it all the same is held
        // by a program that locks it in its own way.
        if (m_port.error() == QSerialPort::PermissionError) {
            m_error = DeviceInUseText(path);
            return false;
        }
#endif
        return failed();
    }
    if (!m_port.setBaudRate(QSerialPort::Baud9600) || !m_port.setDataBits(QSerialPort::Data8) ||
        !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl))
        return failed(QStringLiteral("cannot set 9600 8N1"));
    m_error.clear();
    return true;
}

void QtSerialLine::close()
{
    if (!m_port.isOpen())
        return;
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(2000);
    m_port.clear(QSerialPort::Input);
    m_port.close();
}

bool QtSerialLine::write(std::string_view bytes)
{
    if (!m_port.isOpen()) {
        m_error = QStringLiteral("port ") + SerialDevicePath(m_device(m_number)) + QStringLiteral(": the port is closed");
        return false;
    }
    const qint64 written = m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size()))
        return failed(QStringLiteral("write"));
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(2000))
            return failed(QStringLiteral("write"));
    }
    if (m_port.error() != QSerialPort::NoError && m_port.error() != QSerialPort::TimeoutError)
        return failed(QStringLiteral("write"));
    return true;
}

bool QtSerialLine::readAvailable(std::string& text)
{
    text.clear();
    if (!m_port.isOpen()) {
        m_error = QStringLiteral("port ") + SerialDevicePath(m_device(m_number)) + QStringLiteral(": the port is closed");
        return false;
    }
    // Take in what the system holds now, without waiting.
    m_port.waitForReadyRead(0);
    const QSerialPort::SerialPortError error = m_port.error();
    if (error == QSerialPort::TimeoutError)
        m_port.clearError();
    else if (error != QSerialPort::NoError)
        return failed(QStringLiteral("read"));
    const QByteArray data = m_port.readAll();
    text.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

}  // namespace tessaro
