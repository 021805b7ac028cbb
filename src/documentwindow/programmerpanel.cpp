#include "documentwindow/programmerpanel.h"

#include "decode/decodedview.h"
#include "files/qttext.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaro {

namespace {

// Object names stay stable: tests and the screenshot tool find widgets by them.
// The programmer's buttons: those of the I/O frame, then those of the tester frame.
enum class ButtonFrame : std::uint8_t { Io, Tester };
struct ButtonSpec {
    ButtonFrame frame;
    const char* objectName;
    const char* caption;
    const char* toolTip;
    DeviceCommand command;
};

const ButtonSpec kButtons[] = {
    {ButtonFrame::Io, "Command1", "下   傳 =>", "檔案下傳到測試機", DeviceCommand::Download},
    {ButtonFrame::Io, "Command2", "<= 讀取測試機", "讀取測試機SPD值", DeviceCommand::ReadTester},
    {ButtonFrame::Io, "Command3", "<=  比  對  =>", "電腦與測試機做比對", DeviceCommand::Compare},
    {ButtonFrame::Io, "Command4", "清除 (00) =>", "清除測試機SPD值", DeviceCommand::Erase},
    {ButtonFrame::Io, "Command9", "<= 讀取模組", "讀取模組SPD值", DeviceCommand::ReadModule},
    {ButtonFrame::Tester, "Command5", "讀  取", "讀取模組SPD值到測試機", DeviceCommand::ModuleRead},
    {ButtonFrame::Tester, "Command6", "拷  貝", "將測試機SPD值拷貝到模組", DeviceCommand::ModuleCopy},
    {ButtonFrame::Tester, "Command7", "比  對", "測試機與模組做比對", DeviceCommand::ModuleCompare},
    {ButtonFrame::Tester, "Command8", "測  試", "測試記憶體模組", DeviceCommand::ModuleTest},
    {ButtonFrame::Tester, "Command11", "學習模式", "學習記憶體 I/O ", DeviceCommand::Learn},
};

struct TestFunctionSpec {
    TestFunction function;
    int box;  // the number the switch commands know the box by; also its object name "Check<box>"
    const char* caption;
    int statusBit;  // the programmer's status bit of the function
};
const TestFunctionSpec kTestFunctions[] = {
    {TestFunction::PowerShort, 4, "電源短路", 0},        {TestFunction::LineOpen, 5, "線路開路", 1},
    {TestFunction::LineShort, 6, "線路短路", 2},         {TestFunction::ProgramSpd, 7, "燒錄SPD", 3},
    {TestFunction::CompareSpd, 8, "比對SPD", 5},         {TestFunction::SoftwareProtect, 10, "軟體保護(0-127)", 7},
};

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

ProgrammerPanel::ProgrammerPanel(AppValues& app, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    buildIoFrame();
    buildTesterFrame();
    buildTestFunctionFrame();
    layout->addWidget(m_ioFrame);
    layout->addWidget(m_testerFrame);
    layout->addWidget(m_testFunctionFrame);
    auto* results = new QHBoxLayout;
    results->addWidget(buildTestCountFrame());
    results->addWidget(buildTestResultFrame(), 1);
    layout->addLayout(results);
    buildModuleIoFrame();
    layout->addWidget(m_moduleIoFrame);
    layout->addStretch(1);
}

namespace {
// One button for each entry of `specs`, `perRow` to a row of `grid`; returns how many.
// Adds the buttons of `which` to `grid`, `perRow` to a row; returns how many.
int AddButtons(ProgrammerPanel* panel, QGroupBox* frame, QGridLayout* grid, ButtonFrame which, int perRow)
{
    int n = 0;
    for (const ButtonSpec& spec : kButtons) {
        if (spec.frame != which)
            continue;
        auto* button = new QPushButton(ToQString(spec.caption), frame);
        button->setObjectName(QString::fromLatin1(spec.objectName));
        button->setToolTip(ToQString(spec.toolTip));
        grid->addWidget(button, n / perRow, n % perRow);
        const DeviceCommand command = spec.command;
        QObject::connect(button, &QPushButton::clicked, panel, [panel, command] { emit panel->commandClicked(command); });
        ++n;
    }
    return n;
}
}  // namespace

void ProgrammerPanel::buildIoFrame()
{
    m_ioFrame = new QGroupBox(QStringLiteral("I/O"), this);
    m_ioFrame->setObjectName(QStringLiteral("Frame4"));
    AddButtons(this, m_ioFrame, new QGridLayout(m_ioFrame), ButtonFrame::Io, 1);
}

void ProgrammerPanel::buildTesterFrame()
{
    m_testerFrame = new QGroupBox(ToQString("TESSARO 測試機"), this);
    m_testerFrame->setObjectName(QStringLiteral("Frame6"));
    auto* grid = new QGridLayout(m_testerFrame);
    const int used = AddButtons(this, m_testerFrame, grid, ButtonFrame::Tester, 2);
    m_autoSerial = new QCheckBox(ToQString("自動產生序號"), m_testerFrame);
    m_autoSerial->setObjectName(QStringLiteral("Check1"));
    connect(m_autoSerial, &QCheckBox::clicked, this, [this] { emit autoSerialClicked(); });
    m_version = new QLabel(QStringLiteral("Ver: "), m_testerFrame);
    m_version->setObjectName(QStringLiteral("Label52"));
    const int nextRow = (used + 1) / 2;
    grid->addWidget(m_autoSerial, nextRow, 0);
    grid->addWidget(m_version, nextRow, 1);
}

void ProgrammerPanel::buildTestFunctionFrame()
{
    m_testFunctionFrame = new QGroupBox(ToQString("功能設定"), this);
    m_testFunctionFrame->setObjectName(QStringLiteral("Frame9"));
    auto* grid = new QGridLayout(m_testFunctionFrame);
    int n = 0;
    for (const TestFunctionSpec& spec : kTestFunctions) {
        auto* box = new QCheckBox(ToQString(spec.caption), m_testFunctionFrame);
        box->setObjectName(QStringLiteral("Check%1").arg(spec.box));
        m_testFunctions[static_cast<std::size_t>(spec.function)] = box;
        box->installEventFilter(this);
        grid->addWidget(box, n / 3, n % 3);
        ++n;
    }
}

QGroupBox* ProgrammerPanel::buildTestCountFrame()
{
    m_testCountFrame = new QGroupBox(ToQString("測試次數"), this);
    m_testCountFrame->setObjectName(QStringLiteral("Frame8"));
    auto* grid = new QGridLayout(m_testCountFrame);
    m_passCount = new QLabel(QStringLiteral("0"), m_testCountFrame);
    m_passCount->setObjectName(QStringLiteral("Label94"));
    m_failCount = new QLabel(QStringLiteral("0"), m_testCountFrame);
    m_failCount->setObjectName(QStringLiteral("Label95"));
    auto* reset = new QPushButton(ToQString("重置"), m_testCountFrame);
    reset->setObjectName(QStringLiteral("Command10"));
    connect(reset, &QPushButton::clicked, this, [this] { resetCounters(); });
    grid->addWidget(new QLabel(ToQString("成功 :"), m_testCountFrame), 0, 0);
    grid->addWidget(m_passCount, 0, 1);
    grid->addWidget(new QLabel(ToQString("失敗 :"), m_testCountFrame), 1, 0);
    grid->addWidget(m_failCount, 1, 1);
    grid->addWidget(reset, 2, 0, 1, 2);
    return m_testCountFrame;
}

QGroupBox* ProgrammerPanel::buildTestResultFrame()
{
    m_testResultFrame = new QGroupBox(ToQString("測試結果"), this);
    m_testResultFrame->setObjectName(QStringLiteral("Frame7"));
    auto* layout = new QVBoxLayout(m_testResultFrame);
    // Empty until the first test record of the session arrives.
    m_result = new QLabel(m_testResultFrame);
    m_result->setObjectName(QStringLiteral("Label51"));
    m_result->setAlignment(Qt::AlignCenter);
    QFont big = m_result->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    m_result->setFont(big);
    m_result->setMinimumWidth(130);
    layout->addWidget(m_result);
    return m_testResultFrame;
}

void ProgrammerPanel::buildModuleIoFrame()
{
    // The title follows the image's module type once an image is decoded.
    m_moduleIoFrame = new QGroupBox(ToQString(kIoPanelDesignTitle), this);
    m_moduleIoFrame->setObjectName(QStringLiteral("Frame10"));
    auto* grid = new QGridLayout(m_moduleIoFrame);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    const auto& names = ModuleSignalNames();
    int r = 0;
    for (const auto& row : ModuleSignalRows()) {
        int c = 0;
        for (int index : row) {
            auto* label = new QLabel(QString::fromLatin1(names[static_cast<std::size_t>(index)]), m_moduleIoFrame);
            label->setObjectName(QStringLiteral("DATA_L%1").arg(index));
            label->setProperty("signalIndex", index);
            label->installEventFilter(this);
            grid->addWidget(label, r, c++);
            m_signals[static_cast<std::size_t>(index)] = label;
        }
        ++r;
    }
}

// --- What the programmer link shows ---

void ProgrammerPanel::setTestFramesVisible(bool visible)
{
    for (QGroupBox* frame : {m_ioFrame, m_testResultFrame, m_testCountFrame, m_testFunctionFrame, m_moduleIoFrame})
        frame->setVisible(visible);
}

void ProgrammerPanel::setAuthorized(bool authorized)
{
    m_autoSerial->setEnabled(authorized);
}

void ProgrammerPanel::showVersion(const QString& version)
{
    m_version->setText(QStringLiteral("Ver: ") + version);
}

void ProgrammerPanel::setTestFlags(std::uint8_t status)
{
    for (const TestFunctionSpec& spec : kTestFunctions) {
        const bool bitSet = ((status >> spec.statusBit) & 1) != 0;
        testFunctionOption(spec.function)->setChecked(!bitSet);
    }
}

void ProgrammerPanel::showTestResultStarted()
{
    SetBackground(m_result, QColor(255, 0, 0));
}

void ProgrammerPanel::showTestResult(const QString& text, bool pass)
{
    m_result->setText(text);
    if (pass)
        SetBackground(m_result, QColor(0, 255, 0));
}

void ProgrammerPanel::showTestCounts(int passed, int failed)
{
    m_passCount->setText(QString::number(passed));
    m_failCount->setText(QString::number(failed));
}

void ProgrammerPanel::showPinMarks(const std::array<PinMark, kModuleSignalCount>& marks, bool complete)
{
    for (std::size_t i = 0; i < marks.size(); ++i) {
        switch (marks[i]) {
        case PinMark::Pass: SetSignalLook(m_signals[i], QColor(0, 192, 0), true); break;
        case PinMark::Fail: SetSignalLook(m_signals[i], QColor(255, 0, 0), true); break;
        case PinMark::None:
            if (complete)
                SetSignalLook(m_signals[i], QColor(128, 128, 128), false);
            break;
        }
    }
}

void ProgrammerPanel::resetCounters()
{
    showTestCounts(0, 0);
    m_app.testPassCount = 0;
    m_app.testFailCount = 0;
}

bool ProgrammerPanel::eventFilter(QObject* watched, QEvent* event)
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
    } else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // The value before the click decides the command; it is sent once the
        // press itself has been handled. Keyboard toggles send nothing.
        auto* box = qobject_cast<QCheckBox*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (box != nullptr && box->isEnabled() && mouse->button() == Qt::LeftButton) {
            for (const TestFunctionSpec& spec : kTestFunctions) {
                if (testFunctionOption(spec.function) == box) {
                    const bool ticked = box->isChecked();
                    QMetaObject::invokeMethod(
                        this, [this, number = spec.box, ticked] { emit testFlagPressed(number, ticked); },
                        Qt::QueuedConnection);
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tessaro
