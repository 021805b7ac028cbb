#include "documentwindow/documentwindow.h"

#include "core/hex.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/documentcells.h"
#include "documentwindow/gridfind.h"
#include "documentwindow/checknote.h"
#include "core/checks.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/modulesummary.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/clipboard.h"
#include "documentwindow/gridlegend.h"
#include "documentwindow/imageedits.h"
#include "files/qttext.h"
#include "pinmapui/pinmappanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QScrollArea>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaro {

namespace {
constexpr int kSettleMilliseconds = 2000;
// The size the window opens at, in twips (1440 to the inch).
constexpr QSize kOpeningSizeTwips(9460, 7000);
constexpr int kTwipsPerInch = 1440;
// Names of the undo steps.
constexpr const char* kFillStep = "填入";
constexpr const char* kPasteStep = "貼上";
constexpr const char* kDateCodeStep = "燒錄日期碼";
constexpr const char* kSecurityStep = "安全碼";
// Tool tip of "Secrity on SPD(7F)" while it is disabled on a DDR3 image.
constexpr const char* kSecurityOnDdr3Tip = "DDR3 SPD 的位元組 127 (7F) 存放 CRC 的高位元組 , 不可寫入安全碼";

// What the byte entry box and the fill box take; their keys go through eventFilter.
const QString kHexDigits = QStringLiteral("[0-9A-Fa-f]*");
constexpr const char* kPasswordRefusal = "位元組 00-3F 需要密碼，未寫入 (bytes 00h-3Fh need the password: nothing written)";

// "5C" for a checksum, "1A2B" for a CRC.
QString CheckValueText(const StoredCheck& check, std::uint16_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(check.crc ? 4 : 2, QLatin1Char('0'));
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


}  // namespace

DocumentWindow::DocumentWindow(AppValues& app, const QString& caption, QWidget* parent)
    : DocumentWindowBase(parent)
    , m_app(app)
    , m_doc(app.decode, caption.toStdString())
    , m_editor(m_doc, app)
{
    showCaption();
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
    return {kOpeningSizeTwips.width() * dpiX / kTwipsPerInch, kOpeningSizeTwips.height() * dpiY / kTwipsPerInch};
}

void DocumentWindow::open(std::function<QDate()> today)
{
    if (today)
        m_today = std::move(today);
    m_editor.open(this->today());
    undoStack()->clear();
    updateEntryBox();
    refreshNow();
    emit statusRequested();
    m_settleTimer.start();
}

void DocumentWindow::updateEntryBox()
{
    m_selectedByte.entry->setEnabled(m_editor.entryBoxShown());
    m_selectedByte.entry->setVisible(m_editor.entryBoxShown());
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

    // The decoded panels, and under them the module summary line and the
    // overclocking profiles as `tessaro-cli decode` lists them.
    auto* decoded = new QVBoxLayout;
    m_panels = new DecodedPanels(content);
    connect(m_panels, &DecodedPanels::valueEditRequested, this, &DocumentWindow::editValue);
    decoded->addWidget(m_panels);
    m_summary = new QLabel(content);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    QFont bold = m_summary->font();
    bold.setBold(true);
    m_summary->setFont(bold);
    m_profiles = new QLabel(content);
    m_profiles->setObjectName(QStringLiteral("profilesText"));
    for (QLabel* label : {m_summary, m_profiles}) {
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        decoded->addWidget(label);
    }
    decoded->addStretch(1);
    m_decodedColumn = decoded;
    columns->addLayout(decoded, 1);
    m_programmer = new ProgrammerPanel(m_app, content);
    columns->addWidget(m_programmer, 0, Qt::AlignTop);
    connect(m_programmer, &ProgrammerPanel::commandClicked, this, &DocumentWindow::runDeviceCommand);
    connect(m_programmer, &ProgrammerPanel::autoSerialClicked, this, &DocumentWindow::autoNumberingClicked);
    connect(m_programmer, &ProgrammerPanel::testFlagPressed, this, &DocumentWindow::testFlagPressed);
    buildPinMapPanels();
}

void DocumentWindow::addDeviceFrame(QWidget* frame)
{
    m_decodedColumn->insertWidget(m_decodedColumn->count() - 1, frame);
}

void DocumentWindow::buildPinMapPanels()
{
    // Both panels lie over the whole window, hidden until a command shows one.
    m_icPanel = new PinMapPanel(true, this);
    m_modulePanel = new PinMapPanel(false, this);
    for (PinMapPanel* panel : {m_icPanel, m_modulePanel}) {
        panel->hide();
        panel->setGeometry(rect());
    }
    // Each panel's choice and close go to its side of the pin maps.
    const struct {
        PinMapPanel* panel;
        void (PinMapPanels::*choose)(int);
        void (PinMapPanels::*close)();
    } sides[] = {
        {m_icPanel, &PinMapPanels::chooseIcEntry, &PinMapPanels::closeIcPanel},
        {m_modulePanel, &PinMapPanels::chooseModuleEntry, &PinMapPanels::closeModulePanel},
    };
    for (const auto& side : sides) {
        connect(side.panel, &PinMapPanel::entryChosen, this, [this, choose = side.choose](int index) {
            (m_pinMaps.*choose)(index);
            showPinMaps();
        });
        connect(side.panel, &PinMapPanel::closeClicked, this, [this, close = side.close] {
            (m_pinMaps.*close)();
            showPinMaps();
        });
    }
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
    m_selectedByte = buildSelectedBytePanel(QStringLiteral("Byte0"), 70, [this](QWidget* panel) {
        return buildHexBox(panel, QStringLiteral("Text1"), kHexDigits);
    });
    m_selectedByte.value->setToolTip(QStringLiteral("Byte value, press then chang"));
    return m_selectedByte.panel;
}

QWidget* DocumentWindow::buildGridFrame()
{
    auto* frame = new QGroupBox(ToQString("SPD 值"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* layout = new QVBoxLayout(frame);
    m_grid = new ByteGrid(std::make_unique<EditorCells>(m_editor), ByteGrid::Layout::Spd256, frame);
    m_grid->setObjectName(QStringLiteral("spd_l_value"));
    layout->addWidget(m_grid);
    connect(m_grid, &ByteGrid::currentByteChanged, this, [this] {
        updateEntryBox();
        m_grid->update();
        refreshNow();
    });
    connect(m_grid, &ByteGrid::byteTyped, this, &DocumentWindow::typeByte);
    connect(new GridFind(m_grid, this), &GridFind::statusMessage, this, &DocumentWindow::statusMessage);
    connect(m_grid, &ByteGrid::headerClicked, this, [this](int header) {
        m_editor.headerClicked(header);
        m_grid->update();
    });
    layout->addWidget(new GridLegend(GridLegend::Kind::SpdWindow, frame));
    m_fillBox = buildHexBox(frame, QStringLiteral("Text2"), kHexDigits);
    m_fillCaption = addFillRow(layout, frame, ToQString("填入值 (紅色列起至 FF)"), m_fillBox);
    return frame;
}

QWidget* DocumentWindow::buildCheckFrame()
{
    m_checkFrame = new QGroupBox(QStringLiteral("Checksum/CRC"), this);
    m_checkFrame->setObjectName(QStringLiteral("Frame13"));
    auto* layout = new QVBoxLayout(m_checkFrame);
    const char* captions[3] = {"Checksum", kCrcOptionDesignCaption, "None"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(captions[i]), m_checkFrame);
        button->setObjectName(QStringLiteral("Optcrc%1").arg(i));
        layout->addWidget(button);
        m_checkModeButtons[static_cast<std::size_t>(i)] = button;
        connect(button, &QRadioButton::clicked, this, [this, i] { m_doc.setCheckMode(static_cast<CheckMode>(i)); });
    }
    checkModeButton(CheckMode::Checksum)->setChecked(true);
    m_checkState = buildCheckStateLabel(m_checkFrame);
    layout->addWidget(m_checkState);
    return m_checkFrame;
}

QWidget* DocumentWindow::buildComputerFrame()
{
    auto* frame = new QGroupBox(ToQString("電腦"), this);
    frame->setObjectName(QStringLiteral("Frame5"));
    auto* grid = new QGridLayout(frame);
    m_dateCode = new QCheckBox(ToQString("燒錄日期碼"), frame);
    m_security = new QCheckBox(QStringLiteral("Secrity on SPD(7F)"), frame);
    m_dateCode->setObjectName(QStringLiteral("Check2"));
    m_security->setObjectName(QStringLiteral("Check3"));
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
    grid->addWidget(m_dateCode, 0, 0);
    grid->addWidget(m_dateText, 0, 1);
    grid->addWidget(m_weekText, 0, 2);
    grid->addWidget(m_security, 1, 0);
    grid->addWidget(m_securityText, 1, 1);
    connect(m_dateCode, &QCheckBox::clicked, this, [this](bool checked) {
        recordStep(ToQString(kDateCodeStep), [&] { m_editor.dateCodeClicked(checked, today()); });
        refreshNow();
    });
    connect(m_security, &QCheckBox::clicked, this, [this](bool checked) {
        recordStep(ToQString(kSecurityStep), [&] { m_editor.securityClicked(checked); });
        refreshNow();
    });
    return frame;
}

// --- Behaviour ---

void DocumentWindow::runDeviceCommand(DeviceCommand command)
{
    // One programmer command at a time, across all windows. This window may
    // be gone when the command ends.
    RunWhenDeviceIdle(m_app, [this, command] {
        if (command == DeviceCommand::ModuleRead)
            unsetCursor();
        emit deviceCommandRequested(command);
    });
}

void DocumentWindow::showProgrammerMissing()
{
    m_selectedByte.entry->setEnabled(false);
    m_selectedByte.entry->setVisible(false);
    m_programmer->setTestFramesVisible(false);
    m_checkFrame->setVisible(false);
}

void DocumentWindow::showProgrammerAccess(bool authorized)
{
    for (QLineEdit* box : {m_selectedByte.entry, m_fillBox}) {
        box->setEnabled(authorized);
        box->setVisible(authorized);
    }
    m_fillCaption->setVisible(authorized);
    m_programmer->setAuthorized(authorized);
    m_dateCode->setEnabled(authorized);
    m_programmer->setTestFramesVisible(true);
    m_checkFrame->setVisible(true);
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !isHexBox(watched))
        return DocumentWindowBase::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsModifierOnly(key->key()))
        return false;
    if (TypesNonHexText(key))
        return true;  // not a hexadecimal digit: nothing happens at all
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    auto* box = static_cast<QLineEdit*>(watched);
    std::string text = box->text().toStdString();
    if (box == m_selectedByte.entry) {
        // Keys before Enter belong to the byte's step, Enter ends it at the next byte.
        const int index = m_editor.currentByte();
        recordByteEntry(index, enter ? (index + 1) & 0xFF : index, [&] { m_editor.entryKey(text, enter); });
        if (enter)
            updateEntryBox();
    } else {
        recordStep(ToQString(kFillStep), [&] { m_editor.fillKey(text, enter); });
    }
    if (enter) {
        box->setText(QString::fromStdString(text));
        m_grid->collapseSelection();
    }
    refreshNow();
    // Enter is consumed; every other key then goes on into the box.
    return enter;
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    DocumentWindowBase::closeEvent(event);
    if (event->isAccepted())
        m_settleTimer.stop();
}

void DocumentWindow::editValue(const QString& name)
{
    const QString caption = ValueCaption(name.toStdString());
    const ImageEdit edit = EditValuesInDialog(this, m_doc.image(), {name.toStdString()}, caption);
    recordStep(caption, [&] { WriteImageEdit(m_editor, edit); });
    refreshNow();
}

// --- Undo and redo ---

std::unique_ptr<RecordedEdit> DocumentWindow::endEdit()
{
    DocumentEditor::Step step = m_editor.endStep();
    if (step.empty())
        return nullptr;
    return std::make_unique<RecordedStep<DocumentEditor, DocumentEditor::Step>>(m_editor, std::move(step));
}

void DocumentWindow::editApplied()
{
    followImageKind();
    updateEntryBox();
    refreshNow();
}

// --- Drawing ---

void DocumentWindow::byteChanged(int index)
{
    if (index == 2)
        followImageKind();
    m_grid->update(m_grid->cellRect(index));
    scheduleRefresh();
}

void DocumentWindow::followImageKind()
{
    m_editor.followImageKind();
    m_dateCode->setChecked(m_editor.dateCodeStamped());
    m_security->setChecked(m_editor.securityStamped());
    const bool security = m_editor.securityAvailable();
    m_security->setEnabled(security);
    m_security->setToolTip(security ? QString() : ToQString(kSecurityOnDdr3Tip));
}

void DocumentWindow::markChanged(int index)
{
    m_grid->update(m_grid->cellRect(index));
}

void DocumentWindow::captionChanged()
{
    showCaption();
}

void DocumentWindow::typeChanged()
{
    scheduleRefresh();
}

void DocumentWindow::checkModeChanged()
{
    checkModeButton(m_doc.checkMode())->setChecked(true);
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

void DocumentWindow::refreshNow()
{
    const SpdDocument::SelectedPanel& panel = m_doc.selectedPanel();
    m_selectedByte.byteCaption->setText(ToQString(panel.byteCaption));
    m_selectedByte.description->setText(ToQString(panel.description));
    m_selectedByte.value->setText(ToQString(panel.value));
    if (m_viewDirty) {
        m_viewDirty = false;
        showView();
    }
    m_dateText->setText(ToQString(m_editor.dateText()));
    m_weekText->setText(QString::number(m_editor.week().week));
    showCheckState();
    // The cells themselves follow byteChanged and markChanged; the whole grid
    // is drawn again when the selected byte, the fill row or a red text moved.
    GridLook look{m_editor.currentByte(), m_editor.highlightedRow(), {}};
    for (int n = 0; n < kSpdSize; ++n)
        look.redText.set(static_cast<std::size_t>(n), m_editor.cellText(n) == CellText::Red);
    if (look != m_gridLook) {
        m_gridLook = look;
        m_grid->update();
    }
}

void DocumentWindow::showView()
{
    // Texts equal to those shown stay as they are (a key that changes no byte).
    const DecodedView& view = m_doc.view();
    if (!m_shownView || *m_shownView != view) {
        m_shownView = view;
        m_panels->showView(view);
        checkModeButton(CheckMode::Crc)->setText(ToQString(view.crcOptionCaption));
        m_programmer->moduleIoFrame()->setTitle(ToQString(view.ioPanelTitle));
        m_securityText->setText(ToQString(ByteToHex(view.securityCode)));
    }
    const SpdImage& image = m_doc.image();
    if (m_summaryImage && *m_summaryImage == image)
        return;
    m_summaryImage = image;
    m_summary->setText(ToQString(SummarizeModule(image).line()));
    std::string profiles = ProfilesListing(OverclockProfiles(image));
    if (!profiles.empty() && profiles.back() == '\n')
        profiles.pop_back();
    m_profiles->setText(ToQString(profiles));
    m_profiles->setVisible(!profiles.empty());
}

void DocumentWindow::showCheckState()
{
    const StoredCheck check = CheckOf(m_doc.image(), m_doc.checkMode());
    m_checkState->setVisible(!check.ok());
    if (!check.ok())
        m_checkState->setText(tr("%1 stored %2, computed %3")
                                  .arg(check.crc ? QStringLiteral("CRC") : QStringLiteral("Checksum"),
                                       CheckValueText(check, check.stored), CheckValueText(check, check.computed)));
}

QString DocumentWindow::checkMismatchText() const
{
    return CheckMismatchNote(m_doc.image());
}

// --- Editing from the grid and the clipboard ---

void DocumentWindow::typeByte(int index, std::uint8_t value)
{
    m_editor.selectByte(index);
    if (!m_editor.mayWrite(index)) {
        updateEntryBox();
        emit statusMessage(ToQString(kPasswordRefusal));
        refreshNow();
        return;
    }
    // The entry box's own path, as if the two digits had been typed there.
    // Bytes typed one after the other, in the grid or the entry box, are one step.
    std::string box = ByteToHex(value);
    recordByteEntry(index, (index + 1) & 0xFF, [&] { m_editor.entryKey(box, true); });
    updateEntryBox();
    m_grid->collapseSelection();
    refreshNow();
}

void DocumentWindow::paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept)
{
    DocumentEditor::PasteResult result;
    recordStep(ToQString(kPasteStep), [&] { result = m_editor.pasteBytes(from, bytes); });
    if (result.refused) {
        emit statusMessage(ToQString(kPasswordRefusal));
        return;
    }
    if (result.written > 0) {
        m_editor.selectByte(from);
        m_grid->setSelectionAnchor(from + result.written - 1);  // the pasted bytes stay selected
        updateEntryBox();
    }
    showPasteNote(PastedNote(result.written, static_cast<std::uint64_t>(result.dropped) + notKept));
    refreshNow();
}

std::vector<std::uint8_t> DocumentWindow::selectedBytes() const
{
    const SpdImage& image = m_doc.image();
    return {image.begin() + m_grid->selectionFirst(), image.begin() + m_grid->selectionLast() + 1};
}

int DocumentWindow::selectionStart() const
{
    return m_grid->selectionFirst();
}

void DocumentWindow::selectAllBytes()
{
    m_editor.selectByte(0);
    m_grid->setSelectionAnchor(kSpdSize - 1);
    updateEntryBox();
    refreshNow();
}

}  // namespace tessaro
