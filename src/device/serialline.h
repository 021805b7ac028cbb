#pragma once

#include <QSerialPort>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace tessaro {

// The one serial port of the programmer link, with the operations the link
// relies on. Reading never waits; writing sends the whole text or fails.
class SerialLine
{
public:
    virtual ~SerialLine() = default;

    // Accepted only while the port is closed; numbers 1-4.
    virtual bool setPortNumber(int number) = 0;
    [[nodiscard]] virtual int portNumber() const = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Opens the port at 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
    // control; false (and errorText()) when it cannot be opened.
    virtual bool open() = 0;
    // Bytes already written still leave; text that arrived unread is dropped.
    virtual void close() = 0;
    // All bytes, in order, in one piece; false when the port failed.
    virtual bool write(std::string_view bytes) = 0;
    // Everything received and not yet read (possibly nothing); false when the
    // port failed (unplugged device, closed port).
    virtual bool readAvailable(std::string& text) = 0;
    [[nodiscard]] virtual QString errorText() const = 0;
    // The port as messages name it: "port 2", or its device ("port /dev/ttyUSB0").
    [[nodiscard]] virtual QString portText() const { return QStringLiteral("port %1").arg(portNumber()); }
};

// The device of port number n: "COM1"..."COM4" on Windows; elsewhere the
// device named by "Com1Device"..."Com4Device" under "Settings" when present
// (lookup gives it, or an empty text), else /dev/ttyS0.../dev/ttyS3.
[[nodiscard]] QString PortDeviceName(int number, const std::function<QString(int)>& configured = {});

// The device file a port name opens. Elsewhere than on Windows a name is a
// path like any other: one that is not absolute is taken relative to the
// current directory ("ttyUSB0" is ./ttyUSB0, never /dev/ttyUSB0 behind the
// user's back). On Windows the name is passed on as it stands ("COM3").
[[nodiscard]] QString SerialDevicePath(const QString& name);

// The group that owns the device file at `path` (its number when it has no
// name); empty when the file cannot be examined or on Windows.
[[nodiscard]] QString DeviceGroupName(const QString& path);

// What a user who may not open the serial device `path` must do: join the
// group that owns it (usually "dialout"), with the command that does it.
[[nodiscard]] QString SerialPermissionAdvice(const QString& path);

// Keeps a device for one holder across the processes of every user: an
// exclusive lock on a file named by the device's identity (its device number,
// or for another file its file system and inode), so that two names of one
// device (a link and the /dev/pts/N it leads to) exclude each other.
class DeviceLock
{
public:
    DeviceLock() = default;
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Takes the device at `path` (kept while it is the same device). False
    // when another holder has it; true also when the device cannot be
    // examined or no lock file can be made (opening it then says more).
    bool take(const QString& path);
    void release();

private:
    int m_fd = -1;
    QString m_identity;
};

// What a device held by another command answers: "port /tmp/ttySPD: another
// command is using this device (/dev/pts/3)".
[[nodiscard]] QString DeviceInUseText(const QString& path);

// SerialLine on QSerialPort; port numbers name devices through `device`.
// Errors name the device file opened: "port /dev/ttyS0: No such file or
// directory"; a device this user may not open adds SerialPermissionAdvice().
// From its first opening the device stays locked (DeviceLock) until the port
// number changes or the line goes, across the closings within a command.
class QtSerialLine final : public SerialLine
{
public:
    explicit QtSerialLine(std::function<QString(int)> device);

    bool setPortNumber(int number) override;
    [[nodiscard]] int portNumber() const override { return m_number; }
    [[nodiscard]] bool isOpen() const override { return m_port.isOpen(); }
    bool open() override;
    void close() override;
    bool write(std::string_view bytes) override;
    bool readAvailable(std::string& text) override;
    [[nodiscard]] QString errorText() const override { return m_error; }
    [[nodiscard]] QString deviceName() const { return m_device(m_number); }
    [[nodiscard]] QString portText() const override;

private:
    bool failed(const QString& what = {});

    std::function<QString(int)> m_device;
    QSerialPort m_port;
    DeviceLock m_lock;
    int m_number = 1;
    QString m_error;
};

}  // namespace tessaro
