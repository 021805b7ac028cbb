#include "app/portsettingsdialog.h"

#include "files/settingsstore.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
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

PortSettingsDialog::PortSettingsDialog(std::uint8_t& currentCommPort, std::uint8_t& numberInputMode,
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
    numberLayout->addWidget(AddOption(m_numberModes, 0, QStringLiteral("Dec Mode"), QStringLiteral("OptNum0"), numberBox));
    numberLayout->addWidget(AddOption(m_numberModes, 1, QStringLiteral("Hex Mode"), QStringLiteral("OptNum1"), numberBox));
    numberLayout->addStretch();

    // One row per port; the second column is left for a note on each port.
    auto* portBox = new QGroupBox(QStringLiteral("連接埠"), this);
    portBox->setObjectName(QStringLiteral("portBox"));
    m_ports = new QButtonGroup(this);
    auto* portLayout = new QGridLayout(portBox);
    for (int port = 1; port <= kPorts; ++port) {
        portLayout->addWidget(AddOption(m_ports, port, QStringLiteral("Com%1").arg(port),
                                        QStringLiteral("optCom%1").arg(port), portBox),
                              port - 1, 0);
        auto* device = new QLabel(portBox);
        device->setObjectName(QStringLiteral("portDevice%1").arg(port));
        device->setEnabled(false);  // a note, drawn grey
        portLayout->addWidget(device, port - 1, 1);
        m_portDevices[port - 1] = device;
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
    m_numberModes->button(m_numberInputMode == 1 ? 1 : 0)->setChecked(true);
}

void PortSettingsDialog::setPortDevices(const std::function<QString(int port)>& deviceOf)
{
    for (int port = 1; port <= kPorts; ++port)
        m_portDevices[port - 1]->setText(deviceOf ? deviceOf(port) : QString());
}

void PortSettingsDialog::applyChoices()
{
    const int port = m_ports->checkedId();
    m_numberInputMode = static_cast<std::uint8_t>(m_numberModes->checkedId());
    m_currentCommPort = static_cast<std::uint8_t>(port);
    if (m_setPort)
        m_setPort(port);
    m_store.writeCommPort(port);
    QDialog::accept();
}

}  // namespace tessaro
