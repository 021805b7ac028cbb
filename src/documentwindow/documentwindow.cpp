#include "documentwindow/documentwindow.h"

#include "core/hex.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/decodedpanels.h"
#include "pinmap/modulesignals.h"
#include "pinmapui/pinmappanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaro {

namespace {
constexpr int kSettleMilliseconds = 2000;
constexpr int kOpeningWidthTwips = 9460;
constexpr int kOpeningHeightTwips = 7000;
constexpr int kTwipsPerInch = 1440;
// Tool tip of "Secrity on SPD(7F)" while it is disabled on a DDR3 image.
constexpr const char* kSecurityOnDdr3Tip = "DDR3 SPD 的位元組 127 (7F) 存放 CRC 的高位元組 , 不可寫入安全碼";

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

bool IsModifierOnly(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

// A key that would type something other than hexadecimal digits into a box.
// Keys that type nothing (Enter, arrows, Backspace, Ctrl+V) are not such keys.
bool TypesNonHexText(const QKeyEvent* key)
{
    const QString text = key->text();
    const bool typesSomething = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
    return typesSomething && std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() > 0x7F || HexDigitValue(static_cast<char>(c.unicode())) < 0;
    });
}

// The byte entry box and the fill box hold hexadecimal digits only, also
// when text is pasted or dropped into them.
void AcceptHexDigitsOnly(QLineEdit* box)
{
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]*")), box));
}

struct ButtonSpec {
    const char* name;
    const char* caption;
    const char* toolTip;
    DeviceCommand command;
};

const ButtonSpec kIoButtons[] = {
    {"Command1", "下   傳 =>", "檔案下傳到測試機", DeviceCommand::Download},
    {"Command2", "<= 讀取測試機", "讀取測試機SPD值", DeviceCommand::ReadTester},
    {"Command3", "<=  比  對  =>", "電腦與測試機做比對", DeviceCommand::Compare},
    {"Command4", "清除 (00) =>", "清除測試機SPD值", DeviceCommand::Erase},
    {"Command9", "<= 讀取模組", "讀取模組SPD值", DeviceCommand::ReadModule},
};

const ButtonSpec kTesterButtons[] = {
    {"Command5", "讀  取", "讀取模組SPD值到測試機", DeviceCommand::ModuleRead},
    {"Command6", "拷  貝", "將測試機SPD值拷貝到模組", DeviceCommand::ModuleCopy},
    {"Command7", "比  對", "測試機與模組做比對", DeviceCommand::ModuleCompare},
    {"Command8", "測  試", "測試記憶體模組", DeviceCommand::ModuleTest},
    {"Command11", "學習模式", "學習記憶體 I/O ", DeviceCommand::Learn},
};

struct FlagSpec {
    int number;
    const char* caption;
    int statusBit;  // the programmer's status bit of the box
};
const FlagSpec kTestFlags[] = {
    {4, "電源短路", 0}, {5, "線路開路", 1}, {6, "線路短路", 2}, {7, "燒錄SPD", 3}, {8, "比對SPD", 5}, {10, "軟體保護(0-127)", 7},
};
}  // namespace

DocumentWindow::DocumentWindow(AppValues& app, const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_doc(app.decode, caption.toStdString())
    , m_editor(m_doc, app)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    buildUi();
    m_doc.addObserver(this);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleMilliseconds);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        m_doc.decodeAll();
        refreshNow();
    });
}

DocumentWindow::~DocumentWindow()
{
    m_doc.removeObserver(this);
}

QSize DocumentWindow::openingSize(const QWidget* reference)
{
    const int dpiX = reference != nullptr ? reference->logicalDpiX() : 96;
    const int dpiY = reference != nullptr ? reference->logicalDpiY() : 96;
    return {kOpeningWidthTwips * dpiX / kTwipsPerInch, kOpeningHeightTwips * dpiY / kTwipsPerInch};
}

void DocumentWindow::open(std::function<QDate()> today)
{
    if (today)
        m_today = std::move(today);
    m_editor.open(this->today());
    m_text1->setEnabled(m_editor.entryBoxShown());
    m_text1->setVisible(m_editor.entryBoxShown());
    refreshNow();
    emit statusRequested();
    m_settleTimer.start();
}

DocumentEditor::Today DocumentWindow::today() const
{
    const QDate date = m_today ? m_today() : QDate::currentDate();
    return {date.year(), date.month(), date.day(), QLocale::system().toString(date, QLocale::ShortFormat).toStdString()};
}

// --- Layout ---

void DocumentWindow::buildUi()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* content = new QWidget(scroll);
    scroll->setWidget(content);

    auto* columns = new QHBoxLayout(content);
    auto* left = new QVBoxLayout;
    left->addWidget(buildSelectedPanel());
    left->addWidget(buildGridFrame());
    auto* lower = new QHBoxLayout;
    lower->addWidget(buildCheckFrame());
    lower->addWidget(buildComputerFrame(), 1);
    left->addLayout(lower);
    left->addStretch(1);
    columns->addLayout(left);

    m_panels = new DecodedPanels(content);
    columns->addWidget(m_panels, 1, Qt::AlignTop);
    columns->addWidget(buildProgrammerColumn(), 0, Qt::AlignTop);
    buildPinMapPanels();
}

void DocumentWindow::buildPinMapPanels()
{
    // Both panels lie over the whole window, hidden until a command shows one.
    m_icPanel = new PinMapPanel(true, this);
    m_modulePanel = new PinMapPanel(false, this);
    m_frames[11] = m_icPanel;
    m_frames[12] = m_modulePanel;
    for (PinMapPanel* panel : {m_icPanel, m_modulePanel}) {
        panel->hide();
        panel->setGeometry(rect());
    }
    connect(m_icPanel, &PinMapPanel::entryChosen, this, [this](int index) {
        m_pinMaps.chooseIcEntry(index);
        showPinMaps();
    });
    connect(m_modulePanel, &PinMapPanel::entryChosen, this, [this](int index) {
        m_pinMaps.chooseModuleEntry(index);
        showPinMaps();
    });
    connect(m_icPanel, &PinMapPanel::closeClicked, this, [this] {
        m_pinMaps.closeIcPanel();
        showPinMaps();
    });
    connect(m_modulePanel, &PinMapPanel::closeClicked, this, [this] {
        m_pinMaps.closeModulePanel();
        showPinMaps();
    });
}

void DocumentWindow::showPinMaps()
{
    for (PinMapPanel* panel : {m_icPanel, m_modulePanel}) {
        const bool ic = panel == m_icPanel;
        panel->apply(m_pinMaps);
        const bool shown = ic ? m_pinMaps.icPanelShown() : m_pinMaps.modulePanelShown();
        panel->setGeometry(rect());
        panel->setVisible(shown);
        if (shown)
            panel->raise();
    }
}

void DocumentWindow::icPinMapFromMenu()
{
    m_pinMaps.icFromMenu(m_app.decode.currentMemoryType, m_doc.image());
    showPinMaps();
}

void DocumentWindow::modulePinMapFromMenu()
{
    m_pinMaps.moduleFromMenu(m_app.decode.currentMemoryType);
    showPinMaps();
}

void DocumentWindow::icPinMapButton()
{
    m_pinMaps.icButton(m_app.decode.currentMemoryType, m_doc.image());
    showPinMaps();
}

void DocumentWindow::modulePinMapButton()
{
    m_pinMaps.dramButton(m_app.decode.currentMemoryType, m_app.decode.currentModuleForm);
    showPinMaps();
}

void DocumentWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (PinMapPanel* panel : {m_icPanel, m_modulePanel}) {
        if (panel != nullptr)
            panel->setGeometry(rect());
    }
}

QWidget* DocumentWindow::buildSelectedPanel()
{
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    m_byteCaption = new QLabel(QStringLiteral("Byte0"), panel);
    m_byteCaption->setObjectName(QStringLiteral("byteCaption"));
    m_byteCaption->setMinimumWidth(70);
    m_description = new QLabel(panel);
    m_description->setObjectName(QStringLiteral("descriptionCaption"));
    m_description->setFrameShape(QFrame::StyledPanel);
    m_description->setFrameShadow(QFrame::Sunken);
    m_description->setMinimumWidth(230);
    auto* valueCaption = new QLabel(QStringLiteral("Value"), panel);
    m_value = new QLabel(QStringLiteral("00"), panel);
    m_value->setObjectName(QStringLiteral("valueCaption"));
    m_value->setToolTip(QStringLiteral("Byte value, press then chang"));
    m_value->setFrameShape(QFrame::StyledPanel);
    m_value->setFrameShadow(QFrame::Sunken);
    m_value->setMinimumWidth(28);
    m_value->setAlignment(Qt::AlignCenter);
    m_text1 = new QLineEdit(panel);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setFixedWidth(48);
    m_text1->installEventFilter(this);
    AcceptHexDigitsOnly(m_text1);
    row->addWidget(m_byteCaption);
    row->addWidget(m_description, 1);
    row->addWidget(valueCaption);
    row->addWidget(m_value);
    row->addWidget(m_text1);
    return panel;
}

QWidget* DocumentWindow::buildGridFrame()
{
    auto* frame = new QGroupBox(Utf8("SPD 值"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_frames[1] = frame;
    auto* layout = new QVBoxLayout(frame);
    m_grid = new ByteGrid(m_editor, frame);
    m_grid->setObjectName(QStringLiteral("spd_l_value"));
    layout->addWidget(m_grid);
    connect(m_grid, &ByteGrid::cellClicked, this, [this](int index) {
        m_editor.selectByte(index);
        m_text1->setEnabled(m_editor.entryBoxShown());
        m_text1->setVisible(m_editor.entryBoxShown());
        m_grid->update();
        refreshNow();
    });
    connect(m_grid, &ByteGrid::headerClicked, this, [this](int header) {
        m_editor.headerClicked(header);
        m_grid->update();
    });
    m_text2 = new QLineEdit(frame);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setFixedWidth(48);
    m_text2->installEventFilter(this);
    AcceptHexDigitsOnly(m_text2);
    layout->addWidget(m_text2);
    return frame;
}

QWidget* DocumentWindow::buildCheckFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Checksum/CRC"), this);
    frame->setObjectName(QStringLiteral("Frame13"));
    m_frames[13] = frame;
    auto* layout = new QVBoxLayout(frame);
    const char* captions[3] = {"Checksum", kCrcOptionDesignCaption, "None"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(captions[i]), frame);
        button->setObjectName(QStringLiteral("Optcrc%1").arg(i));
        layout->addWidget(button);
        m_optcrc[static_cast<std::size_t>(i)] = button;
        connect(button, &QRadioButton::clicked, this, [this, i] { m_doc.setCheckMode(static_cast<CheckMode>(i)); });
    }
    m_optcrc[0]->setChecked(true);
    return frame;
}

QWidget* DocumentWindow::buildComputerFrame()
{
    auto* frame = new QGroupBox(Utf8("電腦"), this);
    frame->setObjectName(QStringLiteral("Frame5"));
    m_frames[5] = frame;
    auto* grid = new QGridLayout(frame);
    auto* check2 = new QCheckBox(Utf8("燒錄日期碼"), frame);
    auto* check3 = new QCheckBox(QStringLiteral("Secrity on SPD(7F)"), frame);
    check2->setObjectName(QStringLiteral("Check2"));
    check3->setObjectName(QStringLiteral("Check3"));
    m_checks[2] = check2;
    m_checks[3] = check3;
    m_dateText = new QLabel(frame);
    m_dateText->setObjectName(QStringLiteral("dateText"));
    m_weekText = new QLabel(frame);
    m_weekText->setObjectName(QStringLiteral("weekText"));
    m_securityText = new QLabel(QStringLiteral("00"), frame);
    m_securityText->setObjectName(QStringLiteral("securityCode"));
    for (QLabel* label : {m_dateText, m_weekText, m_securityText}) {
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
    }
    grid->addWidget(check2, 0, 0);
    grid->addWidget(m_dateText, 0, 1);
    grid->addWidget(m_weekText, 0, 2);
    grid->addWidget(check3, 1, 0);
    grid->addWidget(m_securityText, 1, 1);
    connect(check2, &QCheckBox::clicked, this, [this](bool checked) {
        m_editor.dateCodeClicked(checked, today());
        refreshNow();
    });
    connect(check3, &QCheckBox::clicked, this, [this](bool checked) {
        m_editor.securityClicked(checked);
        refreshNow();
    });
    return frame;
}

QWidget* DocumentWindow::buildProgrammerColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto addButtons = [this](QGroupBox* frame, QGridLayout* grid, const auto& specs, int perRow) {
        int n = 0;
        for (const ButtonSpec& spec : specs) {
            auto* button = new QPushButton(Utf8(spec.caption), frame);
            button->setObjectName(QString::fromLatin1(spec.name));
            button->setToolTip(Utf8(spec.toolTip));
            grid->addWidget(button, n / perRow, n % perRow);
            const DeviceCommand command = spec.command;
            connect(button, &QPushButton::clicked, this, [this, command] { runDeviceCommand(command); });
            ++n;
        }
        return n;
    };

    auto* io = new QGroupBox(QStringLiteral("I/O"), column);
    io->setObjectName(QStringLiteral("Frame4"));
    m_frames[4] = io;
    auto* ioGrid = new QGridLayout(io);
    addButtons(io, ioGrid, kIoButtons, 1);
    layout->addWidget(io);

    auto* tester = new QGroupBox(Utf8("TESSARO 測試機"), column);
    tester->setObjectName(QStringLiteral("Frame6"));
    m_frames[6] = tester;
    auto* testerGrid = new QGridLayout(tester);
    const int used = addButtons(tester, testerGrid, kTesterButtons, 2);
    auto* check1 = new QCheckBox(Utf8("自動產生序號"), tester);
    check1->setObjectName(QStringLiteral("Check1"));
    m_checks[1] = check1;
    connect(check1, &QCheckBox::clicked, this, [this] { emit autoNumberingClicked(); });
    m_label52 = new QLabel(QStringLiteral("Ver: "), tester);
    m_label52->setObjectName(QStringLiteral("Label52"));
    const int nextRow = (used + 1) / 2;
    testerGrid->addWidget(check1, nextRow, 0);
    testerGrid->addWidget(m_label52, nextRow, 1);
    layout->addWidget(tester);

    auto* flags = new QGroupBox(Utf8("功能設定"), column);
    flags->setObjectName(QStringLiteral("Frame9"));
    m_frames[9] = flags;
    auto* flagGrid = new QGridLayout(flags);
    int n = 0;
    for (const FlagSpec& spec : kTestFlags) {
        auto* box = new QCheckBox(Utf8(spec.caption), flags);
        box->setObjectName(QStringLiteral("Check%1").arg(spec.number));
        m_checks[static_cast<std::size_t>(spec.number)] = box;
        box->installEventFilter(this);
        flagGrid->addWidget(box, n / 3, n % 3);
        ++n;
    }
    layout->addWidget(flags);

    auto* results = new QHBoxLayout;
    auto* counts = new QGroupBox(Utf8("測試次數"), column);
    counts->setObjectName(QStringLiteral("Frame8"));
    m_frames[8] = counts;
    auto* countGrid = new QGridLayout(counts);
    m_label94 = new QLabel(QStringLiteral("0"), counts);
    m_label94->setObjectName(QStringLiteral("Label94"));
    m_label95 = new QLabel(QStringLiteral("0"), counts);
    m_label95->setObjectName(QStringLiteral("Label95"));
    auto* reset = new QPushButton(Utf8("重置"), counts);
    reset->setObjectName(QStringLiteral("Command10"));
    connect(reset, &QPushButton::clicked, this, [this] { resetCounters(); });
    countGrid->addWidget(new QLabel(Utf8("成功 :"), counts), 0, 0);
    countGrid->addWidget(m_label94, 0, 1);
    countGrid->addWidget(new QLabel(Utf8("失敗 :"), counts), 1, 0);
    countGrid->addWidget(m_label95, 1, 1);
    countGrid->addWidget(reset, 2, 0, 1, 2);
    results->addWidget(counts);

    auto* result = new QGroupBox(Utf8("測試結果"), column);
    result->setObjectName(QStringLiteral("Frame7"));
    m_frames[7] = result;
    auto* resultLayout = new QVBoxLayout(result);
    m_label51 = new QLabel(QStringLiteral("PASS"), result);
    m_label51->setObjectName(QStringLiteral("Label51"));
    m_label51->setAlignment(Qt::AlignCenter);
    QFont big = m_label51->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    m_label51->setFont(big);
    m_label51->setMinimumWidth(130);
    resultLayout->addWidget(m_label51);
    results->addWidget(result, 1);
    layout->addLayout(results);

    auto* module = new QGroupBox(Utf8(kIoPanelDesignTitle), column);
    module->setObjectName(QStringLiteral("Frame10"));
    m_frames[10] = module;
    auto* moduleGrid = new QGridLayout(module);
    moduleGrid->setHorizontalSpacing(4);
    moduleGrid->setVerticalSpacing(1);
    const auto& names = ModuleSignalNames();
    int r = 0;
    for (const auto& row : ModuleSignalRows()) {
        int c = 0;
        for (int index : row) {
            auto* label = new QLabel(QString::fromLatin1(names[static_cast<std::size_t>(index)]), module);
            label->setObjectName(QStringLiteral("DATA_L%1").arg(index));
            label->setProperty("signalIndex", index);
            label->installEventFilter(this);
            moduleGrid->addWidget(label, r, c++);
            m_dataL[static_cast<std::size_t>(index)] = label;
        }
        ++r;
    }
    layout->addWidget(module);
    layout->addStretch(1);
    return column;
}

QCheckBox* DocumentWindow::option(int number) const
{
    return number >= 0 && number < static_cast<int>(m_checks.size()) ? m_checks[static_cast<std::size_t>(number)] : nullptr;
}

QGroupBox* DocumentWindow::frame(int number) const
{
    return number >= 0 && number < static_cast<int>(m_frames.size()) ? m_frames[static_cast<std::size_t>(number)] : nullptr;
}

QLabel* DocumentWindow::label(int number) const
{
    switch (number) {
    case 51: return m_label51;
    case 52: return m_label52;
    case 94: return m_label94;
    case 95: return m_label95;
    default: return nullptr;
    }
}

// --- Behaviour ---

void DocumentWindow::runDeviceCommand(DeviceCommand command)
{
    // One programmer command at a time, across all windows.
    if (!m_app.deviceIdle)
        return;
    m_app.deviceIdle = false;
    if (command == DeviceCommand::ModuleRead)
        unsetCursor();
    emit deviceCommandRequested(command);
    m_app.deviceIdle = true;
}

void DocumentWindow::showProgrammerMissing()
{
    m_text1->setEnabled(false);
    m_text1->setVisible(false);
    for (int number : {4, 7, 8, 9, 10, 13})
        m_frames[static_cast<std::size_t>(number)]->setVisible(false);
}

void DocumentWindow::showProgrammerVersion(const QString& version)
{
    m_label52->setText(QStringLiteral("Ver: ") + version);
}

void DocumentWindow::setTestFlags(std::uint8_t status)
{
    for (const FlagSpec& spec : kTestFlags) {
        const bool bitSet = ((status >> spec.statusBit) & 1) != 0;
        m_checks[static_cast<std::size_t>(spec.number)]->setChecked(!bitSet);
    }
}

void DocumentWindow::showProgrammerAccess(bool authorized)
{
    for (QLineEdit* box : {m_text1, m_text2}) {
        box->setEnabled(authorized);
        box->setVisible(authorized);
    }
    m_checks[1]->setEnabled(authorized);
    m_checks[2]->setEnabled(authorized);
    for (int number : {4, 7, 8, 9, 10, 13})
        m_frames[static_cast<std::size_t>(number)]->setVisible(true);
}

namespace {
void SetBackground(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

void SetSignalLook(QLabel* label, const QColor& colour, bool border)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setFrameStyle(border ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    label->setLineWidth(1);
}
}  // namespace

void DocumentWindow::showTestResultStarted()
{
    SetBackground(m_label51, QColor(255, 0, 0));
}

void DocumentWindow::showTestResult(const QString& text, bool pass)
{
    m_label51->setText(text);
    if (pass)
        SetBackground(m_label51, QColor(0, 255, 0));
}

void DocumentWindow::showTestCounts(int passed, int failed)
{
    m_label94->setText(QString::number(passed));
    m_label95->setText(QString::number(failed));
}

void DocumentWindow::showPinMarks(const std::array<PinMark, kModuleSignalCount>& marks, bool complete)
{
    for (std::size_t i = 0; i < marks.size(); ++i) {
        switch (marks[i]) {
        case PinMark::Pass: SetSignalLook(m_dataL[i], QColor(0, 192, 0), true); break;
        case PinMark::Fail: SetSignalLook(m_dataL[i], QColor(255, 0, 0), true); break;
        case PinMark::None:
            if (complete)
                SetSignalLook(m_dataL[i], QColor(128, 128, 128), false);
            break;
        }
    }
}

void DocumentWindow::resetCounters()
{
    m_label94->setText(QStringLiteral("0"));
    m_label95->setText(QStringLiteral("0"));
    m_app.testPassCount = 0;
    m_app.testFailCount = 0;
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // A signal's pin on the connector of the image last decoded, in any window.
        const QVariant index = watched->property("signalIndex");
        if (index.isValid()) {
            const ModuleEdge connector =
                ConnectorFor(m_app.decode.currentMemoryType, m_app.decode.currentModuleForm);
            static_cast<QWidget*>(watched)->setToolTip(
                QString::fromStdString(ModuleSignalTip(connector, index.toInt())));
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // The value before the click decides the command; it runs once the
        // press itself has been handled. Keyboard toggles send nothing.
        auto* box = qobject_cast<QCheckBox*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (box != nullptr && box->isEnabled() && mouse->button() == Qt::LeftButton) {
            for (int number : {4, 5, 6, 7, 8, 10}) {
                if (m_checks[static_cast<std::size_t>(number)] == box) {
                    const bool ticked = box->isChecked();
                    QMetaObject::invokeMethod(
                        this, [this, number, ticked] { emit testFlagPressed(number, ticked); }, Qt::QueuedConnection);
                }
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress || (watched != m_text1 && watched != m_text2))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsModifierOnly(key->key()))
        return false;
    if (TypesNonHexText(key))
        return true;  // not a hexadecimal digit: nothing happens at all
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    auto* box = static_cast<QLineEdit*>(watched);
    std::string text = box->text().toStdString();
    if (box == m_text1) {
        m_editor.entryKey(text, enter);
        if (enter) {
            m_text1->setEnabled(m_editor.entryBoxShown());
            m_text1->setVisible(m_editor.entryBoxShown());
        }
    } else {
        m_editor.fillKey(text, enter);
    }
    if (enter)
        box->setText(QString::fromStdString(text));
    refreshNow();
    // Enter is consumed; every other key then goes on into the box.
    return enter;
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_doc.isModified()) {
        QMessageBox prompt(QMessageBox::Question, windowTitle(), Utf8(" SPD 檔案已被修改 , 是否儲存該檔案 ?"),
                           QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        const int answer = prompt.exec();
        // Cancel keeps the window and its image; so does a Yes whose save
        // did not happen (refused, cancelled or failed).
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !(m_save && m_save(this)))) {
            event->ignore();
            return;
        }
    }
    m_settleTimer.stop();
    event->accept();
}

// --- Drawing ---

void DocumentWindow::byteChanged(int index)
{
    if (index == 2)
        followImageKind();
    m_grid->update();
    scheduleRefresh();
}

void DocumentWindow::followImageKind()
{
    m_editor.followImageKind();
    m_checks[2]->setChecked(m_editor.dateCodeStamped());
    m_checks[3]->setChecked(m_editor.securityStamped());
    const bool security = m_editor.securityAvailable();
    m_checks[3]->setEnabled(security);
    m_checks[3]->setToolTip(security ? QString() : Utf8(kSecurityOnDdr3Tip));
}

void DocumentWindow::markChanged(int /*index*/)
{
    m_grid->update();
}

void DocumentWindow::captionChanged()
{
    setWindowTitle(FromStd(m_doc.caption()));
}

void DocumentWindow::typeChanged()
{
    scheduleRefresh();
}

void DocumentWindow::checkModeChanged()
{
    m_optcrc[static_cast<std::size_t>(m_doc.checkMode())]->setChecked(true);
}

void DocumentWindow::selectedPanelChanged()
{
    scheduleRefresh();
}

void DocumentWindow::decodedViewChanged()
{
    m_viewDirty = true;
    scheduleRefresh();
}

void DocumentWindow::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &DocumentWindow::refreshNow, Qt::QueuedConnection);
}

void DocumentWindow::refreshNow()
{
    m_refreshPending = false;
    const SpdDocument::SelectedPanel& panel = m_doc.selectedPanel();
    m_byteCaption->setText(FromStd(panel.byteCaption));
    m_description->setText(FromStd(panel.description));
    m_value->setText(FromStd(panel.value));
    if (m_viewDirty) {
        m_viewDirty = false;
        const DecodedView& view = m_doc.view();
        m_panels->showView(view);
        m_optcrc[1]->setText(FromStd(view.crcOptionCaption));
        m_frames[10]->setTitle(FromStd(view.ioPanelTitle));
        m_securityText->setText(FromStd(ByteToHex(view.securityCode)));
    }
    m_dateText->setText(FromStd(m_editor.dateText()));
    m_weekText->setText(QString::number(m_editor.week().week));
    m_grid->update();
}

}  // namespace tessaro
