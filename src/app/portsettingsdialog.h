#pragma once

#include "document/appvalues.h"
#include "files/settingsstore.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>

class QButtonGroup;
class QComboBox;

namespace tessaro {

class SettingsStore;

// A serial port present on this machine: its device ("/dev/ttyUSB0") and
// what the system says it is ("FT232R USB UART").
struct SerialPortChoice {
    QString device;
    QString description;
};
// The serial ports present now.
[[nodiscard]] QList<SerialPortChoice> AvailableSerialPorts();

// The communication settings ("通訊設定"): the number input mode and the
// programmer's port. "確  定" takes both choices, closes the port, sets its
// number and stores it as "CommPort"; the port opens again with the next
// command or polling tick. Each port number names a device, chosen from the
// serial ports present or typed; "確  定" stores a changed one as
// "Com1Device"..."Com4Device". Each port also names the kind of device on it:
// the RS-232 programmer/tester (the default) or the SPD reader/writer, stored
// as "Com1Kind"..."Com4Kind". "取  消" changes nothing.
class PortSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // currentCommPort and numberInputMode are the application-wide values the
    // dialog shows and, on "確  定", sets. setPort(n) closes the port if it is
    // open and sets port number n.
    PortSettingsDialog(std::uint8_t& currentCommPort, NumberInputMode& numberInputMode, SettingsStore& store,
                  std::function<void(int port)> setPort, QWidget* parent = nullptr);

    // Shows beside each port option the device that its number names.
    void setPortDevices(const std::function<QString(int port)>& deviceOf);
    // The serial ports offered for each number (the dialog starts with
    // AvailableSerialPorts()).
    void setAvailablePorts(const QList<SerialPortChoice>& ports);
    // The device port number n names as the dialog shows it now.
    [[nodiscard]] QString chosenDevice(int port) const;
    // Shows the kind of device on each port (the store's, as the dialog opens).
    void setPortKinds(const std::function<PortKind(int port)>& kindOf);
    [[nodiscard]] PortKind chosenKind(int port) const;

private:
    // Stores the chosen port and number mode and closes the dialog.
    void applyChoices();
    // A port with the reader/writer cannot be the programmer's: its option is
    // off, and the programmer's port moves to the first one without it. The
    // last port of the programmer keeps its kind.
    void followKind(int port);

    std::uint8_t& m_currentCommPort;
    NumberInputMode& m_numberInputMode;
    SettingsStore& m_store;
    std::function<void(int port)> m_setPort;
    QButtonGroup* m_numberModes = nullptr;  // ids 0 "Dec Mode", 1 "Hex Mode"
    QButtonGroup* m_ports = nullptr;        // ids 1-4, "Com1"-"Com4"
    QComboBox* m_portDevices[4] = {};
    QComboBox* m_portKinds[4] = {};  // item 0 the programmer/tester, 1 the reader/writer
    PortKind m_shownKinds[4] = {};
    QString m_shownDevices[4];  // as set by setPortDevices: unchanged ones are not stored
};

}  // namespace tessaro
