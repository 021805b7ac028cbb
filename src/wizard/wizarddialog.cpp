#include "wizard/wizarddialog.h"

#include "files/qttext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tessaro {

namespace {

// Image1: a memory module whose chips light up one after another.
class ModulePicture : public QWidget
{
public:
    explicit ModulePicture(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("Image1"));
        setFixedSize(150, 260);
        m_timer.setInterval(250);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            m_lit = (m_lit + 1) % kChips;
            update();
        });
        m_timer.start();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(0, 0, 96));
        // The module stands upright: board, gold fingers on the left edge, chips.
        const QRectF board(40, 14, 70, 232);
        p.setPen(QPen(QColor(0, 60, 0), 1));
        p.setBrush(QColor(0, 128, 64));
        p.drawRoundedRect(board, 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(218, 165, 32));
        for (int y = 20; y < 240; y += 6)
            p.drawRect(QRectF(40, y, 6, 4));
        for (int i = 0; i < kChips; ++i) {
            const QRectF chip(58, 22 + i * 28, 40, 22);
            p.setBrush(i == m_lit ? QColor(0, 255, 0) : QColor(30, 30, 30));
            p.drawRect(chip);
        }
    }

private:
    static constexpr int kChips = 8;
    QTimer m_timer;
    int m_lit = 0;
};

QComboBox* AddList(QFormLayout* form, const char* caption, const char* name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(150);
    form->addRow(ToQString(caption), box);
    return box;
}

QPushButton* AddButton(QHBoxLayout* row, const char* caption, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(ToQString(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter in a text box must not press a button.
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

}  // namespace

WizardDialog::WizardDialog(WizardRecord& record, QWidget* parent)
    : QDialog(parent)
    , m_pages(record)
{
    setObjectName(QStringLiteral("Frmwarez1"));
    setWindowTitle(ToQString("SPD 精靈"));
    setModal(true);
    buildUi();
    m_pages.load();
    showState();
}

template <typename Control, typename Signal, typename Apply>
void WizardDialog::onOperatorChange(Control* control, Signal signal, Apply apply)
{
    connect(control, signal, this, [this, apply](auto... values) {
        if (!m_showing)
            apply(values...);
    });
}

void WizardDialog::buildUi()
{
    auto* outer = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    body->addWidget(new ModulePicture(this), 0, Qt::AlignTop);

    // Every frame stands in the same place; one is visible at a time.
    auto* place = new QGridLayout;
    QGroupBox* frames[] = {
        buildGenerationFrame(), buildSpeedFrame(0), buildSpeedFrame(1), buildSpeedFrame(2), buildSpeedFrame(3),
        buildParameterFrame(), buildTimingFrame(), buildInformationFrame(),
    };
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        m_frames[i] = frames[i];
        frames[i]->setMinimumSize(330, 260);
        place->addWidget(frames[i], 0, 0);
    }
    body->addLayout(place, 1);
    outer->addLayout(body);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* cancel = AddButton(buttons, "取  消", "Command1", this);
    m_buttons.back = AddButton(buttons, "上一 步", "Command2", this);
    m_buttons.next = AddButton(buttons, "下一步", "Command3", this);
    m_buttons.finish = AddButton(buttons, "完  成", "Command4", this);
    outer->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_buttons.back, &QPushButton::clicked, this, [this] {
        m_pages.back();
        showState();
    });
    connect(m_buttons.next, &QPushButton::clicked, this, [this] {
        m_pages.next();
        showState();
    });
    connect(m_buttons.finish, &QPushButton::clicked, this, [this] {
        m_pages.finish();
        if (m_pages.record().wizardFinished)
            accept();
    });
}

QGroupBox* WizardDialog::buildGenerationFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Module Type"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* layout = new QVBoxLayout(frame);
    m_optRamType = new QButtonGroup(frame);
    for (int i = 0; i < kGenerationCount; ++i) {
        auto* option = new QRadioButton(ToQString(kGenerationCaptions[static_cast<std::size_t>(i)]), frame);
        option->setObjectName(QStringLiteral("optRamType%1").arg(i));
        m_optRamType->addButton(option, i);
        layout->addWidget(option);
    }
    layout->addStretch(1);
    onOperatorChange(m_optRamType, &QButtonGroup::idToggled, [this](int id, bool checked) {
        if (checked)
            m_pages.selectGeneration(id);
    });
    return frame;
}

QGroupBox* WizardDialog::buildSpeedFrame(int generation)
{
    const SpeedFrame& spec = kSpeedFrames[static_cast<std::size_t>(generation)];
    auto* frame = new QGroupBox(ToQString(spec.caption), this);
    frame->setObjectName(QString::fromLatin1(spec.frameName));
    auto* layout = new QVBoxLayout(frame);
    auto* group = new QButtonGroup(frame);
    for (int i = 0; i < kSpeedsPerGeneration; ++i) {
        auto* option = new QRadioButton(ToQString(spec.options[static_cast<std::size_t>(i)]), frame);
        option->setObjectName(QString::fromLatin1(spec.optionsName) + QString::number(i));
        group->addButton(option, i);
        layout->addWidget(option);
    }
    layout->addStretch(1);
    m_speedOptions[static_cast<std::size_t>(generation)] = group;
    onOperatorChange(group, &QButtonGroup::idToggled, [this, generation](int id, bool checked) {
        if (checked)
            m_pages.selectSpeed(generation, id);
    });
    return frame;
}

QGroupBox* WizardDialog::buildParameterFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("DRAM  Module Parameter"), this);
    frame->setObjectName(QStringLiteral("fraDramIC"));
    auto* form = new QFormLayout(frame);
    m_cboDataWidth = AddList(form, "DRAM Data Width", "CboDataWidth", frame);
    m_cboSize = AddList(form, "DRAM Memory Size", "CboSize", frame);
    m_cboSide = AddList(form, "Module Side", "CboSide", frame);
    m_ecc = new QCheckBox(QStringLiteral("With ECC"), frame);
    m_ecc->setObjectName(QStringLiteral("Check1"));
    form->addRow(m_ecc);
    onOperatorChange(m_cboDataWidth, &QComboBox::currentIndexChanged, [this](int index) {
        m_pages.selectDataWidth(index);
        showState();
    });
    onOperatorChange(m_cboSize, &QComboBox::currentIndexChanged, [this](int index) { m_pages.selectSize(index); });
    onOperatorChange(m_cboSide, &QComboBox::currentIndexChanged, [this](int index) { m_pages.selectSide(index); });
    onOperatorChange(m_ecc, &QCheckBox::toggled, [this](bool ticked) { m_pages.setEcc(ticked); });
    return frame;
}

QGroupBox* WizardDialog::buildTimingFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Module Timing"), this);
    frame->setObjectName(QStringLiteral("fraDramTime"));
    auto* form = new QFormLayout(frame);
    struct ListSpec {
        TimingList list;
        const char* caption;
        const char* name;
    };
    const ListSpec lists[] = {
        {TimingList::Tcl, "tCL", "cbotcl"},
        {TimingList::Trcd, "tRCD", "cbotrcd"},
        {TimingList::Trp, "tRP", "cbotrp"},
        {TimingList::Tras, "tRAS", "cbotras"},
    };
    for (const ListSpec& spec : lists) {
        QComboBox* box = AddList(form, spec.caption, spec.name, frame);
        m_timing[static_cast<std::size_t>(spec.list)] = box;
        const TimingList list = spec.list;
        onOperatorChange(box, &QComboBox::currentIndexChanged,
                         [this, list](int index) { m_pages.selectTiming(list, index); });
    }
    return frame;
}

QGroupBox* WizardDialog::buildInformationFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Module Manufacture's Information"), this);
    frame->setObjectName(QStringLiteral("fraInfo"));
    auto* form = new QFormLayout(frame);
    m_jedecId = new QLineEdit(frame);
    m_jedecId->setObjectName(QStringLiteral("Text1"));
    m_partNumber = new QLineEdit(frame);
    m_partNumber->setObjectName(QStringLiteral("Text2"));
    form->addRow(QStringLiteral("JEDEC ID"), m_jedecId);
    form->addRow(QStringLiteral("Part Num"), m_partNumber);
    onOperatorChange(m_jedecId, &QLineEdit::textChanged,
                     [this](const QString& text) { m_pages.setJedecIdText(text.toStdString()); });
    onOperatorChange(m_partNumber, &QLineEdit::textChanged,
                     [this](const QString& text) { m_pages.setPartNumberText(text.toStdString()); });
    return frame;
}

void WizardDialog::showList(QComboBox* box, const ChoiceList& list)
{
    QStringList entries;
    for (const std::string& entry : list.entries)
        entries << ToQString(entry);
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
    if (shown != entries) {
        box->clear();
        box->addItems(entries);
    }
    box->setCurrentIndex(list.selected);
}

void WizardDialog::showState()
{
    m_showing = true;
    const WizardFrame visible = m_pages.visibleFrame();
    // Hide before showing, so that the dialog never holds two frames at once.
    for (std::size_t i = 0; i < m_frames.size(); ++i)
        if (static_cast<WizardFrame>(i) != visible)
            m_frames[i]->hide();
    frame(visible)->show();

    m_buttons.back->setEnabled(m_pages.backEnabled());
    m_buttons.next->setEnabled(m_pages.nextEnabled());
    m_buttons.finish->setEnabled(m_pages.finishEnabled());

    if (QAbstractButton* option = m_optRamType->button(m_pages.generation()))
        option->setChecked(true);
    for (int g = 0; g < kGenerationCount; ++g)
        if (QAbstractButton* option = m_speedOptions[static_cast<std::size_t>(g)]->button(m_pages.speedOption(g)))
            option->setChecked(true);

    showList(m_cboDataWidth, m_pages.dataWidths());
    showList(m_cboSize, m_pages.sizes());
    showList(m_cboSide, m_pages.sides());
    m_ecc->setChecked(m_pages.ecc());
    for (int l = 0; l < kTimingListCount; ++l)
        showList(m_timing[static_cast<std::size_t>(l)], m_pages.timing(static_cast<TimingList>(l)));
    if (m_jedecId->text().toStdString() != m_pages.jedecIdText())
        m_jedecId->setText(ToQString(m_pages.jedecIdText()));
    if (m_partNumber->text().toStdString() != m_pages.partNumberText())
        m_partNumber->setText(ToQString(m_pages.partNumberText()));
    m_showing = false;
}

}  // namespace tessaro
