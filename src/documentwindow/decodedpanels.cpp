#include "documentwindow/decodedpanels.h"

#include "documentwindow/valueeditors.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tessaro {

namespace {
constexpr const char* kValueName = "valueName";

QLabel* ValueLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(150);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Part numbers and texts may hold NUL and other control bytes: they show as blanks.
QString Shown(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return shown;
}

QLabel* CaptionLabel(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

// A panel pair: the first `infoCount` fields in "SPD 資訊", the rest in "模組製造資訊".
template <std::size_t N>
QWidget* BuildPair(const std::array<const char*, N>& captions, std::array<QLabel*, N>& values, int nameRow,
                   QLabel*& name, QLabel** crcCaption, QLabel** crcValue, QWidget* parent)
{
    auto* pair = new QWidget(parent);
    auto* column = new QVBoxLayout(pair);
    column->setContentsMargins(0, 0, 0, 0);
    auto* info = new QGroupBox(QString::fromUtf8(kInfoPanelTitle), pair);
    auto* maker = new QGroupBox(QString::fromUtf8(kManufacturingPanelTitle), pair);
    auto* infoGrid = new QGridLayout(info);
    auto* makerGrid = new QGridLayout(maker);
    for (auto* grid : {infoGrid, makerGrid}) {
        grid->setVerticalSpacing(2);
        grid->setColumnStretch(1, 1);
    }
    for (std::size_t i = 0; i < N; ++i) {
        const bool inInfo = i < static_cast<std::size_t>(kInfoPanelFieldCount);
        QGridLayout* grid = inInfo ? infoGrid : makerGrid;
        QWidget* box = inInfo ? static_cast<QWidget*>(info) : maker;
        const int row = inInfo ? static_cast<int>(i) : static_cast<int>(i) - kInfoPanelFieldCount;
        grid->addWidget(CaptionLabel(captions[i], box), row, 0);
        values[i] = ValueLabel(box);
        if (static_cast<int>(i) == nameRow) {
            // The manufacturer's name stands beside the ID code.
            auto* line = new QHBoxLayout;
            name = ValueLabel(box);
            values[i]->setMinimumWidth(110);
            line->addWidget(values[i], 2);
            line->addWidget(name, 3);
            grid->addLayout(line, row, 1);
        } else {
            grid->addWidget(values[i], row, 1);
        }
    }
    if (crcCaption != nullptr) {
        *crcCaption = new QLabel(info);
        *crcValue = ValueLabel(info);
        infoGrid->addWidget(*crcCaption, kInfoPanelFieldCount, 0);
        infoGrid->addWidget(*crcValue, kInfoPanelFieldCount, 1);
    }
    column->addWidget(info);
    column->addWidget(maker);
    column->addStretch(1);
    return pair;
}
}  // namespace

DecodedPanels::DecodedPanels(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_legacy.widget = BuildPair(kLegacyCaptions, m_legacy.values, static_cast<int>(LegacyField::JedecId),
                                m_legacy.manufacturerName, nullptr, nullptr, this);
    m_ddr3.widget = BuildPair(kDdr3Captions, m_ddr3.values, static_cast<int>(Ddr3Field::ManufacturerId),
                              m_ddr3.manufacturerName, &m_crcCaption, &m_crcValue, this);
    layout->addWidget(m_legacy.widget);
    layout->addWidget(m_ddr3.widget);
    showView(DecodedView{});

    // The identity values open an editor on a double-click or Enter, in
    // either pair; the manufacturer's name opens the same one as its code.
    const struct {
        LegacyField legacy;
        Ddr3Field ddr3;
        const char* name;
    } editable[] = {
        {LegacyField::JedecId, Ddr3Field::ManufacturerId, "manufacturer"},
        {LegacyField::DateCode, Ddr3Field::Date, "manufactured"},
        {LegacyField::SerialNumber, Ddr3Field::SerialNumber, "serialNumber"},
        {LegacyField::PartNumber, Ddr3Field::PartNumber, "partNumber"},
        {LegacyField::Revision, Ddr3Field::Revision, "moduleRevision"},
    };
    const auto makeEditable = [this](QLabel* label, const char* name) {
        const QString key = QString::fromLatin1(name);
        label->setProperty(kValueName, key);
        label->setToolTip(tr("Double-click or Enter to edit"));
        OnActivated(label, [this, key] { emit valueEditRequested(key); });
    };
    for (const auto& field : editable) {
        makeEditable(m_legacy.values[static_cast<std::size_t>(field.legacy)], field.name);
        makeEditable(m_ddr3.values[static_cast<std::size_t>(field.ddr3)], field.name);
    }
    makeEditable(m_legacy.manufacturerName, "manufacturer");
    makeEditable(m_ddr3.manufacturerName, "manufacturer");
}

QLabel* DecodedPanels::valueLabel(const QString& name) const
{
    const QWidget* pair = ddr3Shown() ? m_ddr3.widget : m_legacy.widget;
    for (QLabel* label : pair->findChildren<QLabel*>())
        if (label->property(kValueName).toString() == name)
            return label;
    return nullptr;
}

void DecodedPanels::showView(const DecodedView& view)
{
    for (std::size_t i = 0; i < m_legacy.values.size(); ++i)
        m_legacy.values[i]->setText(Shown(view.legacy[i]));
    for (std::size_t i = 0; i < m_ddr3.values.size(); ++i)
        m_ddr3.values[i]->setText(Shown(view.ddr3[i]));
    m_legacy.manufacturerName->setText(QString::fromStdString(view.legacyManufacturerName));
    m_legacy.manufacturerName->setVisible(view.legacyManufacturerNameVisible);
    m_ddr3.manufacturerName->setText(QString::fromStdString(view.ddr3ManufacturerName));
    m_crcCaption->setText(QString::fromStdString(view.crcCaption));
    m_crcValue->setText(QString::fromStdString(view.crcValue));
    m_legacy.widget->setVisible(!view.ddr3PanelsShown);
    m_ddr3.widget->setVisible(view.ddr3PanelsShown);
}

QString DecodedPanels::legacyText(LegacyField field) const
{
    return m_legacy.values[static_cast<std::size_t>(field)]->text();
}
QString DecodedPanels::ddr3Text(Ddr3Field field) const
{
    return m_ddr3.values[static_cast<std::size_t>(field)]->text();
}
QString DecodedPanels::legacyManufacturer() const { return m_legacy.manufacturerName->text(); }
QString DecodedPanels::ddr3Manufacturer() const { return m_ddr3.manufacturerName->text(); }
QString DecodedPanels::crcCaption() const { return m_crcCaption->text(); }
QString DecodedPanels::crcValue() const { return m_crcValue->text(); }
bool DecodedPanels::ddr3Shown() const { return !m_ddr3.widget->isHidden(); }

}  // namespace tessaro
