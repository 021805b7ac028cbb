#include "files/optionsdialog.h"

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

OptionsDialog::OptionsDialog(std::uint8_t& currentCommPort, std::uint8_t& numberInputMode, SettingsStore& store,
                             std::function<void(int port)> setPort, QWidget* parent)
    : QDialog(parent),
      m_currentCommPort(currentCommPort),
      m_numberInputMode(numberInputMode),
      m_store(store),
      m_setPort(std::move(setPort))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("通訊設定"));

    auto* FraNumber = new QGroupBox(QStringLiteral("Input Number"), this);
    FraNumber->setObjectName(QStringLiteral("FraNumber"));
    m_OptNum = new QButtonGroup(this);
    auto* numberLayout = new QVBoxLayout(FraNumber);
    numberLayout->addWidget(AddOption(m_OptNum, 0, QStringLiteral("Dec Mode"), QStringLiteral("OptNum0"), FraNumber));
    numberLayout->addWidget(AddOption(m_OptNum, 1, QStringLiteral("Hex Mode"), QStringLiteral("OptNum1"), FraNumber));
    numberLayout->addStretch();

    // One row per port; the second column is left for a note on each port.
    auto* Frame1 = new QGroupBox(QStringLiteral("連接埠"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    m_optCom = new QButtonGroup(this);
    auto* portLayout = new QGridLayout(Frame1);
    for (int port = 1; port <= kPorts; ++port) {
        portLayout->addWidget(AddOption(m_optCom, port, QStringLiteral("Com%1").arg(port),
                                        QStringLiteral("optCom%1").arg(port), Frame1),
                              port - 1, 0);
        auto* device = new QLabel(Frame1);
        device->setObjectName(QStringLiteral("portDevice%1").arg(port));
        device->setEnabled(false);  // a note, drawn grey
        portLayout->addWidget(device, port - 1, 1);
        m_portDevices[port - 1] = device;
    }
    portLayout->setColumnStretch(1, 1);

    auto* cmdOK = new QPushButton(QStringLiteral("確  定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("取  消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &OptionsDialog::applyChoices);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* frames = new QHBoxLayout;
    frames->addWidget(FraNumber);
    frames->addWidget(Frame1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (m_currentCommPort == 0)
        m_currentCommPort = 1;
    // Both values are always in range here; should one not be, the first
    // button is selected so that "確  定" still stores a valid choice.
    const int port = m_currentCommPort >= 1 && m_currentCommPort <= kPorts ? m_currentCommPort : 1;
    m_optCom->button(port)->setChecked(true);
    m_OptNum->button(m_numberInputMode == 1 ? 1 : 0)->setChecked(true);
}

void OptionsDialog::setPortDevices(const std::function<QString(int port)>& deviceOf)
{
    for (int port = 1; port <= kPorts; ++port)
        m_portDevices[port - 1]->setText(deviceOf ? deviceOf(port) : QString());
}

void OptionsDialog::applyChoices()
{
    const int port = m_optCom->checkedId();
    m_numberInputMode = static_cast<std::uint8_t>(m_OptNum->checkedId());
    m_currentCommPort = static_cast<std::uint8_t>(port);
    if (m_setPort)
        m_setPort(port);
    m_store.writeCommPort(port);
    QDialog::accept();
}

}  // namespace tessaro
