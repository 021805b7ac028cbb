#include "app/portsettingsdialog.h"

#include "files/settingsstore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace tessaro {

namespace {

constexpr int kPorts = 4;

QRadioButton* AddOption(QButtonGroup* group, int id, const QString& caption, const QString& name, QWidget* parent)
{
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    group->addButton(button, id);
    return button;
}

}  // namespace

QList<SerialPortChoice> AvailableSerialPorts()
{
    QList<SerialPortChoice> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.append({info.systemLocation(), info.description()});
    return ports;
}

PortSettingsDialog::PortSettingsDialog(std::uint8_t& currentCommPort, NumberInputMode& numberInputMode,
                                       SettingsStore& store, std::function<void(int port)> setPort, QWidget* parent)
    : QDialog(parent),
      m_currentCommPort(currentCommPort),
      m_numberInputMode(numberInputMode),
      m_store(store),
      m_setPort(std::move(setPort))
{
    setObjectName(QStringLiteral("portSettingsDialog"));
    setWindowTitle(QStringLiteral("通訊設定"));

    auto* numberBox = new QGroupBox(QStringLiteral("Input Number"), this);
    numberBox->setObjectName(QStringLiteral("numberModeBox"));
    m_numberModes = new QButtonGroup(this);
    auto* numberLayout = new QVBoxLayout(numberBox);
    numberLayout->addWidget(AddOption(m_numberModes, static_cast<int>(NumberInputMode::Decimal), QStringLiteral("Dec Mode"), QStringLiteral("OptNum0"), numberBox));
    numberLayout->addWidget(AddOption(m_numberModes, static_cast<int>(NumberInputMode::Hexadecimal), QStringLiteral("Hex Mode"), QStringLiteral("OptNum1"), numberBox));
    numberLayout->addStretch();

    // One row per port: the option and the device its number names, chosen
    // from the serial ports present or typed.
    auto* portBox = new QGroupBox(QStringLiteral("連接埠"), this);
    portBox->setObjectName(QStringLiteral("portBox"));
    m_ports = new QButtonGroup(this);
    auto* portLayout = new QGridLayout(portBox);
    for (int port = 1; port <= kPorts; ++port) {
        portLayout->addWidget(AddOption(m_ports, port, QStringLiteral("Com%1").arg(port),
                                        QStringLiteral("optCom%1").arg(port), portBox),
                              port - 1, 0);
        auto* device = new QComboBox(portBox);
        device->setObjectName(QStringLiteral("portDevice%1").arg(port));
        device->setEditable(true);
        device->setInsertPolicy(QComboBox::NoInsert);
        device->setMinimumContentsLength(24);
        device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // The list shows each device with its description; the box keeps the
        // device alone once one is chosen.
        connect(device, &QComboBox::activated, device, [device](int index) {
            device->setEditText(device->itemData(index).toString());
        });
        portLayout->addWidget(device, port - 1, 1);
        m_portDevices[port - 1] = device;
        auto* kind = new QComboBox(portBox);
        kind->setObjectName(QStringLiteral("portKind%1").arg(port));
        kind->addItem(tr("RS-232 programmer/tester"));
        kind->addItem(tr("SPD reader/writer"));
        connect(kind, &QComboBox::currentIndexChanged, this, [this, port] { followKind(port); });
        portLayout->addWidget(kind, port - 1, 2);
        m_portKinds[port - 1] = kind;
    }
    portLayout->setColumnStretch(1, 1);

    auto* okButton = new QPushButton(QStringLiteral("確  定"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("取  消"), this);
    cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    connect(okButton, &QPushButton::clicked, this, &PortSettingsDialog::applyChoices);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* frames = new QHBoxLayout;
    frames->addWidget(numberBox);
    frames->addWidget(portBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (m_currentCommPort == 0)
        m_currentCommPort = 1;
    // Both values are always in range here; should one not be, the first
    // button is selected so that "確  定" still stores a valid choice.
    const int port = m_currentCommPort >= 1 && m_currentCommPort <= kPorts ? m_currentCommPort : 1;
    m_ports->button(port)->setChecked(true);
    const bool hex = m_numberInputMode == NumberInputMode::Hexadecimal;
    m_numberModes->button(static_cast<int>(hex ? NumberInputMode::Hexadecimal : NumberInputMode::Decimal))->setChecked(true);
    setAvailablePorts(AvailableSerialPorts());
}

void PortSettingsDialog::setAvailablePorts(const QList<SerialPortChoice>& ports)
{
    for (QComboBox* box : m_portDevices) {
        const QString typed = box->currentText();
        box->clear();
        for (const SerialPortChoice& choice : ports) {
            const QString shown = choice.description.isEmpty()
                                      ? choice.device
                                      : QStringLiteral("%1  (%2)").arg(choice.device, choice.description);
            box->addItem(shown, choice.device);
        }
        box->setCurrentIndex(-1);
        box->setEditText(typed);
    }
}

void PortSettingsDialog::setPortDevices(const std::function<QString(int port)>& deviceOf)
{
    for (int port = 1; port <= kPorts; ++port) {
        m_shownDevices[port - 1] = deviceOf ? deviceOf(port) : QString();
        m_portDevices[port - 1]->setEditText(m_shownDevices[port - 1]);
    }
}

QString PortSettingsDialog::chosenDevice(int port) const
{
    if (port < 1 || port > kPorts)
        return {};
    const QComboBox* box = m_portDevices[port - 1];
    // A list entry stands for its device, description or not.
    const int listed = box->findText(box->currentText());
    return (listed >= 0 ? box->itemData(listed).toString() : box->currentText()).trimmed();
}

void PortSettingsDialog::setPortKinds(const std::function<PortKind(int port)>& kindOf)
{
    for (int port = 1; port <= kPorts; ++port) {
        m_shownKinds[port - 1] = kindOf ? kindOf(port) : PortKind::Programmer;
        m_portKinds[port - 1]->setCurrentIndex(m_shownKinds[port - 1] == PortKind::ReaderWriter ? 1 : 0);
    }
}

PortKind PortSettingsDialog::chosenKind(int port) const
{
    if (port < 1 || port > kPorts)
        return PortKind::Programmer;
    return m_portKinds[port - 1]->currentIndex() == 1 ? PortKind::ReaderWriter : PortKind::Programmer;
}

void PortSettingsDialog::followKind(int port)
{
    int programmerPort = 0;
    for (int n = 1; n <= kPorts && programmerPort == 0; ++n)
        if (chosenKind(n) == PortKind::Programmer)
            programmerPort = n;
    if (programmerPort == 0) {
        const QSignalBlocker quiet(m_portKinds[port - 1]);
        m_portKinds[port - 1]->setCurrentIndex(0);
        return;
    }
    for (int n = 1; n <= kPorts; ++n)
        m_ports->button(n)->setEnabled(chosenKind(n) == PortKind::Programmer);
    if (chosenKind(m_ports->checkedId()) == PortKind::ReaderWriter)
        m_ports->button(programmerPort)->setChecked(true);
}

void PortSettingsDialog::applyChoices()
{
    const int port = m_ports->checkedId();
    m_numberInputMode = static_cast<NumberInputMode>(m_numberModes->checkedId());
    m_currentCommPort = static_cast<std::uint8_t>(port);
    // Only a device the operator changed is stored: the usual device of a
    // number stays unwritten.
    for (int n = 1; n <= kPorts; ++n) {
        const QString device = chosenDevice(n);
        if (device != m_shownDevices[n - 1].trimmed())
            m_store.writePortDevice(n, device);
        if (chosenKind(n) != m_shownKinds[n - 1])
            m_store.writePortKind(n, chosenKind(n));
    }
    if (m_setPort)
        m_setPort(port);
    m_store.writeCommPort(port);
    QDialog::accept();
}

}  // namespace tessaro
