#include "documentwindow/moduledocumentwindow.h"

#include "decode/modulesummary.h"
#include "device/operatormessages.h"
#include "documentwindow/clipboard.h"
#include "documentwindow/gridlegend.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/documentcells.h"
#include "documentwindow/gridfind.h"
#include "documentwindow/imageedits.h"
#include "files/qttext.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <tuple>

namespace tessaro {

namespace {

const QColor kCrcOkColour(0, 128, 0);
const QColor kCrcBadColour(200, 0, 0);

QString Optional(const std::optional<std::string>& text)
{
    return text ? ToQString(*text) : QStringLiteral("-");
}

// "Samsung (bank 1, code 4E)"
QString MakerText(const std::optional<JedecMaker>& maker)
{
    if (!maker)
        return QStringLiteral("-");
    const QString where = QStringLiteral("bank %1, code %2").arg(maker->bank).arg(ToQString(maker->code));
    return maker->name ? QStringLiteral("%1 (%2)").arg(ToQString(DisplayMakerName(*maker->name)), where)
                       : QStringLiteral("unknown (%1)").arg(where);
}

QString ListText(const std::vector<int>& values)
{
    QStringList parts;
    for (int value : values)
        parts << QString::number(value);
    return parts.join(QStringLiteral(", "));
}

// "13.750 ns, 22 clocks"
QString TimingText(const TimingValue& value)
{
    QString text = QStringLiteral("%1 ns").arg(value.ps / 1000.0, 0, 'f', 3);
    if (value.clocks)
        text += *value.clocks == 1 ? QStringLiteral(", 1 clock") : QStringLiteral(", %1 clocks").arg(*value.clocks);
    return text;
}

// The primary timings of a profile in clocks ("16-18-18-38"), or in ns where a
// clock count is missing.
QString ProfileTimings(const TimingSet& timings)
{
    QStringList parts;
    for (TimingName name : {TimingName::CasLatency, TimingName::RasToCas, TimingName::Precharge, TimingName::ActiveToPrecharge}) {
        const auto& value = timings[name];
        if (!value)
            parts << QStringLiteral("?");
        else if (value->clocks)
            parts << QString::number(*value->clocks);
        else
            parts << QStringLiteral("%1 ns").arg(value->ps / 1000.0, 0, 'f', 3);
    }
    return parts.join(QLatin1Char('-'));
}

// The captions of the fields panel, in the order shown; the object name of a
// value label is "field" and its caption without spaces.
const QStringList& FieldCaptions()
{
    static const QStringList captions = {
        QStringLiteral("Generation"), QStringLiteral("Module type"), QStringLiteral("Capacity"),
        QStringLiteral("Organisation"), QStringLiteral("Speed"), QStringLiteral("PC name"),
        QStringLiteral("CAS latencies"), QStringLiteral("Voltage"), QStringLiteral("Manufacturer"),
        QStringLiteral("DRAM maker"), QStringLiteral("Manufactured"), QStringLiteral("Serial number"),
        QStringLiteral("Part number")};
    return captions;
}

// The value a field of the list sets by its name, for the identity fields.
std::string IdentityValueOf(const QString& caption)
{
    static const std::pair<const char*, const char*> kNames[] = {
        {"Manufacturer", "manufacturer"}, {"Manufactured", "manufactured"},
        {"Serial number", "serialNumber"}, {"Part number", "partNumber"}};
    for (const auto& [shown, name] : kNames)
        if (caption == QLatin1String(shown))
            return name;
    return {};
}

QString FieldObjectName(QString caption)
{
    return QStringLiteral("field") + caption.remove(QLatin1Char(' '));
}

QString Hex4(std::uint16_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

void SetText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

// "crc16_0_125 stored 1234, computed 5678" for each block whose CRC disagrees.
QStringList BadCrcBlocks(const ModuleDecode& decode)
{
    QStringList bad;
    for (const CrcBlock& block : decode.checks) {
        if (!block.ok())
            bad << QCoreApplication::translate("ModuleDocumentWindow", "%1 stored %2, computed %3").arg(ToQString(block.key), Hex4(block.stored), Hex4(block.computed));
    }
    return bad;
}

}  // namespace

ModuleDocumentWindow::ModuleDocumentWindow(ImageData image, const QString& caption, QWidget* parent)
    : DocumentWindowBase(parent)
    , m_doc(std::move(image), caption.toStdString())
{
    showCaption();
    buildUi();
    m_doc.addObserver(this);
    refreshNow();
}

ModuleDocumentWindow::~ModuleDocumentWindow()
{
    m_doc.removeObserver(this);
}

// --- Layout ---

void ModuleDocumentWindow::buildUi()
{
    auto* columns = new QHBoxLayout(this);
    // Never smaller than its parts need, in the workspace too (which then
    // scrolls): squeezed below that, the Value box would cover the byte's name.
    columns->setSizeConstraint(QLayout::SetMinimumSize);
    auto* left = new QVBoxLayout;
    left->addWidget(buildSelectedPanel());
    left->addWidget(buildGridFrame(), 1);
    left->addWidget(buildCheckFrame());
    m_leftColumn = left;
    columns->addLayout(left);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildDecodedSide());
    columns->addWidget(scroll, 1);
    m_columns = columns;
}

void ModuleDocumentWindow::setProgrammerColumn(QWidget* column)
{
    column->setParent(this);
    column->setToolTip(programmerRefusal());
    m_columns->addWidget(column, 0, Qt::AlignTop);
}

void ModuleDocumentWindow::addDeviceFrame(QWidget* frame)
{
    m_leftColumn->addWidget(frame);
}

QString ModuleDocumentWindow::programmerRefusal() const
{
    return QString::fromStdString(msg::LargerImageRefusal(m_doc.size(), m_doc.decode().summary.generation));
}

QWidget* ModuleDocumentWindow::buildSelectedPanel()
{
    const int captionWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("Byte 3FFh")) + 6;
    const SelectedBytePanel p = buildSelectedBytePanel(ByteGrid::byteCaption(0), captionWidth, [this](QWidget* panel) {
        return buildHexBox(panel, QStringLiteral("byteEntry"));
    });
    m_byteCaption = p.byteCaption;
    m_byteName = p.description;
    m_value = p.value;
    m_byteEntry = p.entry;
    m_byteEntry->setToolTip(tr("Two hex digits, Enter stores them and moves to the next byte"));
    connect(m_byteEntry, &QLineEdit::returnPressed, this, &ModuleDocumentWindow::storeEntry);
    return p.panel;
}

QLineEdit* ModuleDocumentWindow::buildHexBox(QWidget* parent, const QString& objectName)
{
    QLineEdit* box = DocumentWindowBase::buildHexBox(parent, objectName, QStringLiteral("[0-9A-Fa-f]{0,2}"));
    box->setMaxLength(2);
    // Digits show in upper case however they are typed.
    connect(box, &QLineEdit::textEdited, box, [box](const QString& text) {
        if (text != text.toUpper()) {
            const int cursor = box->cursorPosition();
            box->setText(text.toUpper());
            box->setCursorPosition(cursor);
        }
    });
    return box;
}

QWidget* ModuleDocumentWindow::buildGridFrame()
{
    auto* frame = new QGroupBox(QString::fromUtf8("SPD 值"), this);
    frame->setObjectName(QStringLiteral("gridFrame"));
    auto* layout = new QVBoxLayout(frame);
    m_grid = new ByteGrid(std::make_unique<ModuleCells>(m_doc), ByteGrid::Layout::Scrolling, frame);
    m_grid->setObjectName(QStringLiteral("byteGrid"));
    layout->addWidget(m_grid, 1);
    connect(m_grid, &ByteGrid::currentByteChanged, this, [this] {
        m_selectedDirty = true;
        refreshNow();
    });
    connect(m_grid, &ByteGrid::byteTyped, this, &ModuleDocumentWindow::typeByte);
    connect(new GridFind(m_grid, this), &GridFind::statusMessage, this, &ModuleDocumentWindow::statusMessage);
    layout->addWidget(new GridLegend(GridLegend::Kind::ModuleWindow, frame));
    m_fillBox = buildHexBox(frame, QStringLiteral("fillBox"));
    connect(m_fillBox, &QLineEdit::returnPressed, this, &ModuleDocumentWindow::fillFromRowStart);
    addFillRow(layout, frame, tr("Fill from the row's first byte to the end"), m_fillBox);
    return frame;
}

QWidget* ModuleDocumentWindow::buildCheckFrame()
{
    m_checkFrame = new QGroupBox(QStringLiteral("Checksum/CRC"), this);
    m_checkFrame->setObjectName(QStringLiteral("checkFrame"));
    auto* layout = new QHBoxLayout(m_checkFrame);
    m_crcButton = new QRadioButton(QStringLiteral("CRC"), m_checkFrame);
    m_noneButton = new QRadioButton(QStringLiteral("None"), m_checkFrame);
    layout->addWidget(m_crcButton);
    layout->addWidget(m_noneButton);
    m_checkState = buildCheckStateLabel(m_checkFrame);
    layout->addWidget(m_checkState);
    layout->addStretch(1);
    checkModeButton(m_doc.checkMode())->setChecked(true);
    connect(m_crcButton, &QRadioButton::clicked, this, [this] { m_doc.setCheckMode(CheckMode::Crc); });
    connect(m_noneButton, &QRadioButton::clicked, this, [this] { m_doc.setCheckMode(CheckMode::None); });
    return m_checkFrame;
}

QWidget* ModuleDocumentWindow::buildDecodedSide()
{
    auto* side = new QWidget(this);
    auto* layout = new QVBoxLayout(side);
    m_summary = new QLabel(side);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    QFont bold = m_summary->font();
    bold.setBold(true);
    m_summary->setFont(bold);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    m_warnings = new QLabel(side);
    m_warnings->setObjectName(QStringLiteral("warnings"));
    QPalette warningColours = m_warnings->palette();
    warningColours.setColor(QPalette::WindowText, kCrcBadColour);
    m_warnings->setPalette(warningColours);
    m_warnings->hide();
    layout->addWidget(m_warnings);

    auto* fieldsFrame = new QGroupBox(tr("Decoded"), side);
    m_fields = fieldsFrame;
    fieldsFrame->setObjectName(QStringLiteral("decodedFields"));
    auto* form = new QFormLayout(fieldsFrame);
    auto addField = [&](const QString& caption) {
        auto* value = new QLabel(QStringLiteral("-"), fieldsFrame);
        value->setObjectName(FieldObjectName(caption));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, value);
        // A double-click or Enter on a value opens its editor.
        const std::string name = IdentityValueOf(caption);
        if (!name.empty())
            OnActivated(value, [this, name] { editValues({name}, ValueCaption(name)); });
        else if (form->rowCount() > FieldCaptions().size() ||
                 QStringList{QStringLiteral("Speed"), QStringLiteral("CAS latencies"), QStringLiteral("Voltage")}
                     .contains(caption))
            OnActivated(value, [this] { editTimings(); });
    };
    for (const QString& caption : FieldCaptions())
        addField(caption);
    for (int i = 0; i < kTimingCount; ++i)
        addField(QString::fromLatin1(TimingKey(static_cast<TimingName>(i), m_doc.decode().timings.ddr5)));
    auto* editButtons = new QHBoxLayout;
    const std::tuple<QString, const char*, std::function<void()>> edits[] = {
        {tr("Identity…"), "editIdentity", [this] { editValues({}, tr("Identity")); }},
        {tr("Timings…"), "editTimings", [this] { editTimings(); }},
        {tr("Profiles…"), "editProfiles", [this] { editProfiles(); }},
    };
    for (const auto& [text, name, action] : edits) {
        auto* button = new QPushButton(text, fieldsFrame);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, action);
        editButtons->addWidget(button);
    }
    editButtons->addStretch(1);
    form->addRow(editButtons);
    layout->addWidget(fieldsFrame);

    auto* crcFrame = new QGroupBox(QStringLiteral("CRC"), side);
    crcFrame->setObjectName(QStringLiteral("crcFrame"));
    m_crcLayout = new QVBoxLayout(crcFrame);
    layout->addWidget(crcFrame);

    auto* profilesFrame = new QGroupBox(tr("Overclocking profiles"), side);
    auto* profilesLayout = new QVBoxLayout(profilesFrame);
    m_profiles = new QTableWidget(0, 8, profilesFrame);
    m_profiles->setObjectName(QStringLiteral("profiles"));
    m_profiles->setHorizontalHeaderLabels({tr("Kind"), tr("Index"), tr("Enabled"), tr("Name"), tr("Speed"), tr("Timings"),
                                           tr("Voltage"), QStringLiteral("CRC")});
    m_profiles->verticalHeader()->hide();
    m_profiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_profiles->setSelectionMode(QAbstractItemView::NoSelection);
    m_profiles->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_profiles->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);  // the name
    m_profiles->setMinimumHeight(120);
    profilesLayout->addWidget(m_profiles);
    layout->addWidget(profilesFrame);
    layout->addStretch(1);
    return side;
}

// --- Behaviour ---

void ModuleDocumentWindow::selectByte(int index)
{
    m_grid->collapseSelection();
    m_grid->setCurrentByte(index);
}

int ModuleDocumentWindow::currentByte() const
{
    return m_grid->currentByte();
}

void ModuleDocumentWindow::storeEntry()
{
    const int index = m_grid->currentByte();
    const QString text = m_byteEntry->text();
    if (index >= m_doc.bytesPresent())
        return;  // an absent byte of a truncated image takes no value
    m_byteEntry->clear();
    if (!text.isEmpty()) {
        typeByte(index, static_cast<std::uint8_t>(text.toInt(nullptr, 16)));
        return;
    }
    selectByte(index + 1 < m_doc.size() ? index + 1 : 0);
    refreshNow();
}

void ModuleDocumentWindow::typeByte(int index, std::uint8_t value)
{
    if (index < 0 || index >= m_doc.bytesPresent())
        return;  // an absent byte of a truncated image takes no value
    // Bytes typed one after the other, in the grid or the entry box, are one step.
    const int next = index + 1 < m_doc.size() ? index + 1 : 0;
    recordByteEntry(index, next, [&] {
        m_doc.editByte(index, value);
        m_grid->setCurrentByte(next);
    });
    selectByte(next);
    refreshNow();
}

void ModuleDocumentWindow::paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept)
{
    int written = 0;
    recordStep(QString::fromUtf8("貼上"), [&] { written = m_doc.writeBytes(from, bytes); });
    const std::uint64_t dropped = bytes.size() - static_cast<std::size_t>(written) + notKept;
    if (written > 0) {
        selectByte(from);
        m_grid->setSelectionAnchor(from + written - 1);  // the pasted bytes stay selected
    }
    showPasteNote(PastedNote(written, dropped));
    refreshNow();
}

std::vector<std::uint8_t> ModuleDocumentWindow::selectedBytes() const
{
    // Only bytes the image holds: the "--" cells of a truncated image copy as nothing.
    const int first = m_grid->selectionFirst();
    const int last = std::min(m_grid->selectionLast(), m_doc.bytesPresent() - 1);
    if (first > last)
        return {};
    return {m_doc.bytes().begin() + first, m_doc.bytes().begin() + last + 1};
}

int ModuleDocumentWindow::selectionStart() const
{
    return m_grid->selectionFirst();
}

void ModuleDocumentWindow::selectAllBytes()
{
    selectByte(0);
    m_grid->setSelectionAnchor(m_doc.size() - 1);
}

QString ModuleDocumentWindow::checkMismatchText() const
{
    const QStringList bad = BadCrcBlocks(m_doc.decode());
    return bad.isEmpty() ? QString() : tr("CRC mismatch: ") + bad.join(QStringLiteral("; "));
}

void ModuleDocumentWindow::showCheckState()
{
    const QStringList bad = BadCrcBlocks(m_doc.decode());
    SetText(m_checkState, bad.join(QLatin1Char('\n')));
    m_checkState->setVisible(!bad.isEmpty());
}

void ModuleDocumentWindow::fillFromRowStart()
{
    const QString text = m_fillBox->text();
    if (text.isEmpty())
        return;
    const int rowStart = m_grid->currentByte() / 16 * 16;
    recordStep(QString::fromUtf8("填入"), [&] {
        m_doc.fill(rowStart, m_doc.bytesPresent() - 1, static_cast<std::uint8_t>(text.toInt(nullptr, 16)));
    });
    refreshNow();
}

// --- Editing by meaning ---

void ModuleDocumentWindow::editValues(std::vector<std::string> names, const QString& title)
{
    const ImageEdit edit = EditValuesInDialog(this, m_doc.bytes(),
                                              names.empty() ? ValueEditDialog::IdentityNames() : std::move(names), title);
    recordStep(title, [&] { WriteImageEdit(m_doc, edit); });
    refreshNow();
}

void ModuleDocumentWindow::editTimings()
{
    const std::vector<std::string> names = ValueEditDialog::TimingNames(m_doc.bytes());
    if (names.empty()) {
        emit statusMessage(tr("This image keeps no timings that can be set by value."));
        return;
    }
    editValues(names, tr("Timings"));
}

void ModuleDocumentWindow::editProfiles()
{
    const ImageEdit edit = EditProfilesInDialog(this, m_doc.bytes());
    recordStep(tr("Overclocking profiles"), [&] { WriteImageEdit(m_doc, edit); });
    refreshNow();
}

// --- Undo and redo ---

void ModuleDocumentWindow::Step::absorb(const Step& later)
{
    document.absorb(later.document);
    currentAfter = later.currentAfter;
}

void ModuleDocumentWindow::beginEdit()
{
    m_doc.beginChange();
    m_currentBefore = m_grid->currentByte();
}

std::unique_ptr<RecordedEdit> ModuleDocumentWindow::endEdit()
{
    Step step{m_doc.endChange(), m_currentBefore, m_grid->currentByte()};
    if (step.document.empty())
        return nullptr;
    return std::make_unique<RecordedStep<ModuleDocumentWindow, Step>>(*this, std::move(step));
}

void ModuleDocumentWindow::applyStep(const Step& step, bool undo)
{
    m_doc.applyChange(step.document, undo);
    m_grid->setCurrentByte(undo ? step.currentBefore : step.currentAfter);
}

void ModuleDocumentWindow::editApplied()
{
    checkModeButton(m_doc.checkMode())->setChecked(true);
    m_selectedDirty = true;
    refreshNow();
}

// --- Drawing ---

void ModuleDocumentWindow::byteChanged(int index)
{
    m_grid->updateCell(index);
    if (index == m_grid->currentByte()) {
        m_selectedDirty = true;
        scheduleRefresh();
    }
}

void ModuleDocumentWindow::captionChanged()
{
    showCaption();
}

void ModuleDocumentWindow::decodeChanged()
{
    m_decodeDirty = true;
    scheduleRefresh();
}

void ModuleDocumentWindow::refreshNow()
{
    if (m_selectedDirty) {
        m_selectedDirty = false;
        showSelectedByte();
    }
    if (m_decodeDirty) {
        m_decodeDirty = false;
        showDecode();
    }
}

void ModuleDocumentWindow::showSelectedByte()
{
    const int index = m_grid->currentByte();
    const bool present = index < m_doc.bytesPresent();
    SetText(m_byteCaption, ByteGrid::byteCaption(index));
    SetText(m_byteName, ToQString(m_doc.byteName(index)));
    SetText(m_value, present ? QStringLiteral("%1").arg(m_doc.byte(index), 2, 16, QLatin1Char('0')).toUpper()
                             : QStringLiteral("--"));
    m_byteEntry->setEnabled(present);
}

void ModuleDocumentWindow::showDecode()
{
    const ModuleDecode& decode = m_doc.decode();
    SetText(m_summary, ToQString(decode.summary.line()));
    QStringList warnings;
    for (const std::string& warning : decode.warnings)
        warnings << ToQString(warning);
    SetText(m_warnings, warnings.join(QLatin1Char('\n')));
    m_warnings->setVisible(!warnings.isEmpty());
    showFields(decode);
    showCrcBlocks(decode);
    showProfiles(decode);
    showCheckState();
}

QLabel* ModuleDocumentWindow::fieldLabel(const QString& key) const
{
    return m_fields->findChild<QLabel*>(FieldObjectName(key), Qt::FindDirectChildrenOnly);
}

void ModuleDocumentWindow::showFields(const ModuleDecode& decode)
{
    const ModuleSummary& s = decode.summary;
    const QString values[] = {
        ToQString(s.generation),
        Optional(s.moduleType),
        s.capacityMB ? ToQString(CapacityText(*s.capacityMB)) : QStringLiteral("-"),
        Optional(s.organisation),
        s.speedName ? QStringLiteral("%1 (%2 MT/s)").arg(ToQString(*s.speedName)).arg(s.speedMTs.value_or(0))
                    : QStringLiteral("-"),
        Optional(s.pcName),
        decode.casLatencies ? ListText(*decode.casLatencies) : QStringLiteral("-"),
        Optional(decode.voltage),
        MakerText(s.manufacturer),
        MakerText(s.dramMaker),
        Optional(s.manufactured),
        Optional(s.serialNumber),
        Optional(s.partNumber),
    };
    const QStringList& captions = FieldCaptions();
    for (int i = 0; i < captions.size(); ++i)
        SetText(fieldLabel(captions[i]), values[i]);
    auto* form = static_cast<QFormLayout*>(m_fields->layout());
    for (int i = 0; i < kTimingCount; ++i) {
        const auto name = static_cast<TimingName>(i);
        const int row = static_cast<int>(captions.size()) + i;
        // The DDR4 and DDR5 sets differ in one name (tRFC4 / tRFCsb).
        auto* caption = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        SetText(caption, QString::fromLatin1(TimingKey(name, decode.timings.ddr5)));
        auto* value = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::FieldRole)->widget());
        const auto& timing = decode.timings[name];
        SetText(value, timing ? TimingText(*timing) : QStringLiteral("-"));
    }
}

void ModuleDocumentWindow::showCrcBlocks(const ModuleDecode& decode)
{
    const int count = static_cast<int>(decode.checks.size());
    while (static_cast<int>(m_crcLines.size()) < count) {
        auto* line = new QLabel(m_crcLayout->parentWidget());
        line->setObjectName(QStringLiteral("crcLine%1").arg(m_crcLines.size()));
        m_crcLayout->addWidget(line);
        m_crcLines.push_back(line);
    }
    for (int i = 0; i < static_cast<int>(m_crcLines.size()); ++i) {
        QLabel* line = m_crcLines[static_cast<std::size_t>(i)];
        line->setVisible(i < count);
        if (i >= count)
            continue;
        const CrcBlock& block = decode.checks[static_cast<std::size_t>(i)];
        SetText(line, tr("%1: stored %2, computed %3")
                          .arg(ToQString(block.key), Hex4(block.stored), Hex4(block.computed)));
        const QColor colour = block.ok() ? kCrcOkColour : kCrcBadColour;
        if (line->palette().color(QPalette::WindowText) != colour) {
            QPalette colours = line->palette();
            colours.setColor(QPalette::WindowText, colour);
            line->setPalette(colours);
        }
    }
    m_crcShown = count;
}

void ModuleDocumentWindow::showProfiles(const ModuleDecode& decode)
{
    std::vector<QStringList> rows;
    rows.reserve(decode.profiles.size());
    for (const OverclockProfile& p : decode.profiles) {
        rows.push_back({ToQString(p.kind), QString::number(p.index), p.enabled ? tr("yes") : tr("no"),
                        Optional(p.name), p.speedMTs ? QStringLiteral("%1 MT/s").arg(*p.speedMTs) : QStringLiteral("-"),
                        ProfileTimings(p.timings), Optional(p.voltage),
                        p.crcOk ? (*p.crcOk ? tr("ok") : tr("BAD")) : QStringLiteral("-")});
    }
    if (rows == m_profileRows)
        return;  // an edit outside the profiles leaves the table alone
    m_profileRows = std::move(rows);
    m_profiles->setRowCount(static_cast<int>(m_profileRows.size()));
    for (int r = 0; r < static_cast<int>(m_profileRows.size()); ++r) {
        const QStringList& row = m_profileRows[static_cast<std::size_t>(r)];
        for (int c = 0; c < row.size(); ++c) {
            auto* item = m_profiles->item(r, c);
            if (item == nullptr)
                m_profiles->setItem(r, c, new QTableWidgetItem(row[c]));
            else
                item->setText(row[c]);
        }
        if (row.last() == tr("BAD"))
            m_profiles->item(r, static_cast<int>(row.size()) - 1)->setForeground(kCrcBadColour);
        else
            m_profiles->item(r, static_cast<int>(row.size()) - 1)->setForeground(palette().color(QPalette::Text));
    }
}

std::vector<QLabel*> ModuleDocumentWindow::crcLines() const
{
    return {m_crcLines.begin(), m_crcLines.begin() + m_crcShown};
}

}  // namespace tessaro
