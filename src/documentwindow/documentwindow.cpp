#include "documentwindow/documentwindow.h"

#include "core/hex.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/checknote.h"
#include "core/checks.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/modulesummary.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/snapshotstep.h"
#include "documentwindow/clipboard.h"
#include "documentwindow/gridlegend.h"
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
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaro {

namespace {
constexpr int kSettleMilliseconds = 2000;
constexpr int kOpeningWidthTwips = 9460;
constexpr int kOpeningHeightTwips = 7000;
constexpr int kTwipsPerInch = 1440;
// Tool tip of "Secrity on SPD(7F)" while it is disabled on a DDR3 image.
// Names of the undo steps.
constexpr const char* kEntryStep = "輸入位元組";
constexpr const char* kFillStep = "填入";
constexpr const char* kPasteStep = "貼上";
constexpr const char* kDateCodeStep = "燒錄日期碼";
constexpr const char* kSecurityStep = "安全碼";
constexpr const char* kSecurityOnDdr3Tip = "DDR3 SPD 的位元組 127 (7F) 存放 CRC 的高位元組 , 不可寫入安全碼";

const QLatin1String kModifiedPlaceholder("[*]");
const QColor kCheckBadColour(200, 0, 0);
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

QString ShownWindowTitle(const QWidget* window)
{
    // Each run of placeholders shows half of them as they are; an odd one
    // left over is the modified mark.
    const QString title = window->windowTitle();
    const int width = kModifiedPlaceholder.size();
    QString shown;
    int from = 0;
    for (int at = title.indexOf(kModifiedPlaceholder); at >= 0; at = title.indexOf(kModifiedPlaceholder, from)) {
        shown += title.mid(from, at - from);
        int run = 0;
        for (from = at; title.mid(from, width) == kModifiedPlaceholder; from += width)
            ++run;
        shown += QString(kModifiedPlaceholder).repeated(run / 2);
        if (run % 2 == 1 && window->isWindowModified())
            shown += QLatin1Char('*');
    }
    return shown + title.mid(from);
}

DocumentWindow::DocumentWindow(AppValues& app, const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_doc(app.decode, caption.toStdString())
    , m_editor(m_doc, app)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_undo = new QUndoStack(this);
    connect(m_undo, &QUndoStack::indexChanged, this, &DocumentWindow::followCleanState);
    captionChanged();
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
    // The stack empties itself when QWidget deletes its children, after this
    // window's part is gone: it must no longer call back.
    m_undo->disconnect(this);
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
    m_undo->clear();
    updateEntryBox();
    refreshNow();
    emit statusRequested();
    m_settleTimer.start();
}

void DocumentWindow::updateEntryBox()
{
    m_byteEntry->setEnabled(m_editor.entryBoxShown());
    m_byteEntry->setVisible(m_editor.entryBoxShown());
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
    m_byteEntry = buildHexBox(panel, QStringLiteral("Text1"));
    row->addWidget(m_byteCaption);
    row->addWidget(m_description, 1);
    row->addWidget(valueCaption);
    row->addWidget(m_value);
    row->addWidget(m_byteEntry);
    return panel;
}

QLineEdit* DocumentWindow::buildHexBox(QWidget* parent, const QString& objectName)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setFixedWidth(48);
    box->installEventFilter(this);
    // Hexadecimal digits only, also when text is pasted or dropped in.
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]*")), box));
    return box;
}

QWidget* DocumentWindow::buildGridFrame()
{
    auto* frame = new QGroupBox(ToQString("SPD 值"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* layout = new QVBoxLayout(frame);
    m_grid = new ByteGrid(m_editor, frame);
    m_grid->setObjectName(QStringLiteral("spd_l_value"));
    layout->addWidget(m_grid);
    connect(m_grid, &ByteGrid::cellClicked, this, [this](int index) {
        m_editor.selectByte(index);
        updateEntryBox();
        m_grid->update();
        refreshNow();
    });
    connect(m_grid, &ByteGrid::byteTyped, this, &DocumentWindow::typeByte);
    connect(m_grid, &ByteGrid::headerClicked, this, [this](int header) {
        m_editor.headerClicked(header);
        m_grid->update();
    });
    layout->addWidget(new GridLegend(GridLegend::Kind::SpdWindow, frame));
    auto* fillRow = new QHBoxLayout;
    m_fillCaption = new QLabel(ToQString("填入值 (紅色列起至 FF)"), frame);
    m_fillCaption->setObjectName(QStringLiteral("fillCaption"));
    m_fillBox = buildHexBox(frame, QStringLiteral("Text2"));
    m_fillCaption->setBuddy(m_fillBox);
    fillRow->addWidget(m_fillCaption);
    fillRow->addWidget(m_fillBox);
    fillRow->addStretch(1);
    layout->addLayout(fillRow);
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
    m_checkState = new QLabel(m_checkFrame);
    m_checkState->setObjectName(QStringLiteral("checkState"));
    QPalette bad = m_checkState->palette();
    bad.setColor(QPalette::WindowText, kCheckBadColour);
    m_checkState->setPalette(bad);
    m_checkState->hide();
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
    m_byteEntry->setEnabled(false);
    m_byteEntry->setVisible(false);
    m_programmer->setTestFramesVisible(false);
    m_checkFrame->setVisible(false);
}

void DocumentWindow::showProgrammerAccess(bool authorized)
{
    for (QLineEdit* box : {m_byteEntry, m_fillBox}) {
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
    if (event->type() == QEvent::ShortcutOverride && (watched == m_byteEntry || watched == m_fillBox) &&
        ShortcutLeftToDocument(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;  // not taken by the box: the Edit menu's shortcut runs
    }
    if (event->type() != QEvent::KeyPress || (watched != m_byteEntry && watched != m_fillBox))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsModifierOnly(key->key()))
        return false;
    if (TypesNonHexText(key))
        return true;  // not a hexadecimal digit: nothing happens at all
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    auto* box = static_cast<QLineEdit*>(watched);
    std::string text = box->text().toStdString();
    if (box == m_byteEntry) {
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
    if (m_doc.isModified()) {
        QMessageBox prompt(QMessageBox::Question, ShownWindowTitle(this), ToQString(" SPD 檔案已被修改 , 是否儲存該檔案 ?"),
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

// --- Undo and redo ---

void DocumentWindow::recordStep(const QString& text, const std::function<void()>& change)
{
    pushStep(text, change, -1, -1);
}

void DocumentWindow::recordByteEntry(int index, int nextIndex, const std::function<void()>& change)
{
    pushStep(ToQString(kEntryStep), change, index, nextIndex);
}

void DocumentWindow::pushStep(const QString& text, const std::function<void()>& change, int entryByte, int nextByte)
{
    if (m_recording || m_restoring) {
        change();  // part of a step already being recorded
        return;
    }
    withdrawPasteNote();  // an edit after a paste
    m_recording = true;
    DocumentEditor::Snapshot before = m_editor.snapshot();
    change();
    DocumentEditor::Snapshot after = m_editor.snapshot();
    if (!before.sameContent(after)) {
        const bool checkMode = before.document.checkMode != after.document.checkMode;
        m_undo->push(new SnapshotStep<DocumentEditor::Snapshot>(
            text, std::move(before), std::move(after), checkMode,
            [this](const DocumentEditor::Snapshot& state, bool withCheckMode) { restoreSnapshot(state, withCheckMode); },
            entryByte, nextByte));
    }
    m_recording = false;
}

void DocumentWindow::withdrawPasteNote()
{
    if (m_pasteNote.isEmpty())
        return;
    emit statusMessageWithdrawn(m_pasteNote);
    m_pasteNote.clear();
}

void DocumentWindow::restoreSnapshot(const DocumentEditor::Snapshot& snapshot, bool withCheckMode)
{
    m_restoring = true;
    m_editor.restore(snapshot, withCheckMode);
    m_restoring = false;
    followImageKind();
    updateEntryBox();
    refreshNow();
}

void DocumentWindow::markClean()
{
    m_undo->setClean();
}

void DocumentWindow::followCleanState()
{
    if (m_recording)
        return;  // a new step: its change has set the flag as it does
    const int clean = m_undo->cleanIndex();
    const int index = m_undo->index();
    if (index == clean)
        m_doc.setModified(false);
    else if (clean < 0 || index < clean)
        m_doc.setModified(true);  // before the saved state: the file holds what was undone
    // Past the clean state the flag is the one the step left.
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
    m_dateCode->setChecked(m_editor.dateCodeStamped());
    m_security->setChecked(m_editor.securityStamped());
    const bool security = m_editor.securityAvailable();
    m_security->setEnabled(security);
    m_security->setToolTip(security ? QString() : ToQString(kSecurityOnDdr3Tip));
}

void DocumentWindow::markChanged(int /*index*/)
{
    m_grid->update();
}

void DocumentWindow::captionChanged()
{
    // Qt shows the last "[*]" as "*" while the window is modified; one that is
    // part of the caption itself is doubled so that it shows as it is.
    QString title = ToQString(m_doc.captionWithoutMark());
    title.replace(kModifiedPlaceholder, QStringLiteral("[*][*]"));
    setWindowTitle(title + kModifiedPlaceholder);
    setWindowModified(m_doc.isModified());
    if (!m_doc.isModified())
        withdrawPasteNote();  // saved
    // A save clears the flag outside any step: the stack is clean there; a
    // flag set outside any step (an imported dump) is no clean state.
    if (m_undo != nullptr && !m_recording && !m_restoring) {
        if (m_doc.isModified() && m_undo->isClean())
            m_undo->resetClean();
        else if (!m_doc.isModified() && !m_undo->isClean())
            m_undo->setClean();
    }
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
    m_byteCaption->setText(ToQString(panel.byteCaption));
    m_description->setText(ToQString(panel.description));
    m_value->setText(ToQString(panel.value));
    if (m_viewDirty) {
        m_viewDirty = false;
        const DecodedView& view = m_doc.view();
        m_panels->showView(view);
        checkModeButton(CheckMode::Crc)->setText(ToQString(view.crcOptionCaption));
        m_programmer->moduleIoFrame()->setTitle(ToQString(view.ioPanelTitle));
        m_securityText->setText(ToQString(ByteToHex(view.securityCode)));
        const SpdImage& image = m_doc.image();
        m_summary->setText(ToQString(SummarizeModule(image).line()));
        std::string profiles = ProfilesListing(OverclockProfiles(image));
        if (!profiles.empty() && profiles.back() == '\n')
            profiles.pop_back();
        m_profiles->setText(ToQString(profiles));
        m_profiles->setVisible(!profiles.empty());
    }
    m_dateText->setText(ToQString(m_editor.dateText()));
    m_weekText->setText(QString::number(m_editor.week().week));
    showCheckState();
    m_grid->update();
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

void DocumentWindow::pasteBytes(int from, std::span<const std::uint8_t> bytes)
{
    paste(from, bytes, 0);
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
    m_pasteNote = PastedNote(result.written, static_cast<std::uint64_t>(result.dropped) + notKept);
    emit statusMessage(m_pasteNote);
    refreshNow();
}

std::vector<std::uint8_t> DocumentWindow::selectedBytes() const
{
    const SpdImage& image = m_doc.image();
    return {image.begin() + m_grid->selectionFirst(), image.begin() + m_grid->selectionLast() + 1};
}

void DocumentWindow::copySelection()
{
    emit statusMessage(CopyBytesToClipboard(selectedBytes()));
}

void DocumentWindow::pasteClipboard()
{
    const ClipboardBytes read = ReadClipboardBytes();
    if (!read.problem.isEmpty()) {
        emit statusMessage(read.problem);
        return;
    }
    paste(m_grid->selectionFirst(), read.bytes, read.notKept);
}

void DocumentWindow::selectAllBytes()
{
    m_editor.selectByte(0);
    m_grid->setSelectionAnchor(kSpdSize - 1);
    updateEntryBox();
    refreshNow();
}

}  // namespace tessaro
