#include "documentwindow/comparewindow.h"

#include "documentwindow/markcolours.h"
#include "files/filename.h"
#include "files/imagefile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace tessaro {

namespace {

// The cells of a grid: as many as the image's type calls for, or as were read
// when that is more.
int CellCount(const ImageData& image)
{
    return std::max(image.size, static_cast<int>(image.bytes.size()));
}

// Each grid's marks from the byte comparison: a byte only one image has is
// marked in that image's grid; the other grid shows its cell (if it has one) as absent.
std::pair<std::vector<CompareMark>, std::vector<CompareMark>> CompareMarks(const ImageData& a, const ImageData& b,
                                                                           const ByteComparison& comparison)
{
    std::vector<CompareMark> marksA(static_cast<std::size_t>(CellCount(a)), CompareMark::Same);
    std::vector<CompareMark> marksB(static_cast<std::size_t>(CellCount(b)), CompareMark::Same);
    for (std::size_t i = a.bytes.size(); i < marksA.size(); ++i)
        marksA[i] = CompareMark::Absent;
    for (std::size_t i = b.bytes.size(); i < marksB.size(); ++i)
        marksB[i] = CompareMark::Absent;
    for (const ByteDifference& d : comparison.differences) {
        const CompareMark markA = !d.a ? CompareMark::Absent : d.b ? CompareMark::Differs : CompareMark::OnlyHere;
        const CompareMark markB = !d.b ? CompareMark::Absent : d.a ? CompareMark::Differs : CompareMark::OnlyHere;
        if (d.offset < marksA.size())
            marksA[d.offset] = markA;
        if (d.offset < marksB.size())
            marksB[d.offset] = markB;
    }
    return {std::move(marksA), std::move(marksB)};
}

}  // namespace

// ---------------------------------------------------------------------------

CompareCells::CompareCells(std::vector<std::uint8_t> bytes, std::vector<CompareMark> marks)
    : m_bytes(std::move(bytes))
    , m_marks(std::move(marks))
{
    setCurrentByte(-1);
}

int CompareCells::byteAt(int index) const
{
    return mark(index) == CompareMark::Absent ? -1 : m_bytes[static_cast<std::size_t>(index)];
}

QColor CompareCells::background(int index, const QColor& plain) const
{
    switch (mark(index)) {
    case CompareMark::Differs: return kDiffersColour;
    case CompareMark::OnlyHere: return kOnlyHereColour;
    case CompareMark::Same:
    case CompareMark::Absent: break;
    }
    return plain;
}

CompareMark CompareCells::mark(int index) const
{
    return index >= 0 && index < count() ? m_marks[static_cast<std::size_t>(index)] : CompareMark::Absent;
}

int CompareCells::markedCount() const
{
    return static_cast<int>(std::count_if(m_marks.begin(), m_marks.end(), [](CompareMark m) {
        return m == CompareMark::Differs || m == CompareMark::OnlyHere;
    }));
}

void CompareCells::setSelection(std::set<int> indexes)
{
    std::erase_if(indexes, [this](int i) { return i < 0 || i >= count(); });
    m_selection = std::move(indexes);
}

// ---------------------------------------------------------------------------

CompareWindow::CompareWindow(const ImageData& a, const QString& captionA, const ImageData& b,
                             const QString& captionB, QWidget* parent)
    : QWidget(parent)
    , m_bytes(CompareImages(a, b))
{
    // The same engine calls as the command line's compare: facts only when the bytes differ.
    if (!m_bytes.same)
        m_facts = CompareFacts(ImageFacts(a.bytes), ImageFacts(b.bytes));

    setWindowTitle(tr("比較 %1 | %2").arg(captionA, captionB));
    auto [marksA, marksB] = CompareMarks(a, b, m_bytes);
    const auto makeGrid = [](const ImageData& image, std::vector<CompareMark> marks, CompareCells*& cells) {
        auto owned = std::make_unique<CompareCells>(image.bytes, std::move(marks));
        cells = owned.get();
        auto* grid = new ByteGrid(std::move(owned), ByteGrid::Layout::Scrolling);
        grid->setReadOnly(true);
        grid->setPreferredRows(16);  // a 256-byte image whole where it can, the facts take the rest
        grid->setMaximumHeight(grid->heightForAllRows());
        return grid;
    };
    m_gridA = makeGrid(a, std::move(marksA), m_cellsA);
    m_gridB = makeGrid(b, std::move(marksB), m_cellsB);
    m_gridA->setObjectName(QStringLiteral("compareGridA"));
    m_gridB->setObjectName(QStringLiteral("compareGridB"));

    const auto framed = [](ByteGrid* grid, const QString& title) {
        auto* box = new QGroupBox(title);
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(grid, 1);
        layout->addStretch(0);  // below a grid shorter than the window
        return box;
    };

    m_header = new QLabel;
    m_header->setObjectName(QStringLiteral("compareHeader"));
    m_header->setTextFormat(Qt::PlainText);
    const QString verdict = m_bytes.same ? tr("相同")
                                         : tr("%1 個位元組不同，%2 項資料不同")
                                               .arg(m_bytes.differences.size())
                                               .arg(m_facts.size());
    m_header->setText(tr("A: %1    B: %2    %3").arg(captionA, captionB, verdict));

    m_factTable = new QTableWidget(static_cast<int>(m_facts.size()), 3);
    m_factTable->setObjectName(QStringLiteral("compareFacts"));
    m_factTable->setHorizontalHeaderLabels({tr("項目"), tr("A"), tr("B")});
    m_factTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_factTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_factTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_factTable->verticalHeader()->hide();
    // Long values wrap within their column instead of being cut off.
    m_factTable->setWordWrap(true);
    m_factTable->setTextElideMode(Qt::ElideNone);
    m_factTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_factTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_factTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_factTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const FactDifference& fact = m_facts[i];
        const int row = static_cast<int>(i);
        const QString texts[3] = {factName(fact.name), QString::fromStdString(fact.aText()),
                                  QString::fromStdString(fact.bText())};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(column == 0 ? QString::fromStdString(fact.name) : texts[column]);
            m_factTable->setItem(row, column, item);
        }
        m_factTable->item(row, 0)->setData(Qt::UserRole, QString::fromStdString(fact.name));
    }
    connect(m_factTable, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> items = m_factTable->selectedItems();
        if (!items.isEmpty())
            selectFact(items.front()->row());
    });
    // A click on the row already selected selects its bytes again (after the cursor moved).
    connect(m_factTable, &QTableWidget::cellClicked, this, [this](int row, int) { selectFact(row); });

    m_previous = new QPushButton(tr("上一個差異"));
    m_next = new QPushButton(tr("下一個差異"));
    m_previous->setToolTip(tr("Shift+F8"));
    m_next->setToolTip(tr("F8"));
    m_previous->setEnabled(!m_bytes.differences.empty());
    m_next->setEnabled(!m_bytes.differences.empty());
    connect(m_previous, &QPushButton::clicked, this, &CompareWindow::previousDifference);
    connect(m_next, &QPushButton::clicked, this, &CompareWindow::nextDifference);
    // Window-local shortcuts, so that compare windows side by side in a workspace do not clash.
    auto* nextKey = new QShortcut(QKeySequence(Qt::Key_F8), this);
    auto* previousKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), this);
    nextKey->setContext(Qt::WidgetWithChildrenShortcut);
    previousKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(nextKey, &QShortcut::activated, this, &CompareWindow::nextDifference);
    connect(previousKey, &QShortcut::activated, this, &CompareWindow::previousDifference);
    m_position = new QLabel;
    m_position->setObjectName(QStringLiteral("comparePosition"));

    // A click on a byte in either grid selects that offset in both.
    connect(m_gridA, &ByteGrid::cellClicked, this, [this](int index) { select({index}); });
    connect(m_gridB, &ByteGrid::cellClicked, this, [this](int index) { select({index}); });

    // The two grids side by side, the facts under them across the whole
    // width, so that a window of ordinary width shows all three.
    auto* grids = new QWidget;
    auto* gridRow = new QHBoxLayout(grids);
    gridRow->setContentsMargins(0, 0, 0, 0);
    gridRow->addWidget(framed(m_gridA, tr("A: %1").arg(captionA)));
    gridRow->addWidget(framed(m_gridB, tr("B: %1").arg(captionB)));
    gridRow->addStretch(1);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(grids);
    splitter->addWidget(m_factTable);
    grids->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    m_factTable->setMinimumHeight(120);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    buttons->addWidget(m_position, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
}

QString CompareWindow::factName(const std::string& key)
{
    const QString k = QString::fromStdString(key);
    const auto after = [&k](const char* prefix) { return k.mid(static_cast<qsizetype>(std::strlen(prefix))); };
    // The names of the module summary and of the other single facts.
    const std::pair<const char*, QString> names[] = {
        {"size", tr("大小 (位元組)")},
        {"summary.generation", tr("世代")},
        {"summary.moduleType", tr("模組類型")},
        {"summary.capacityMB", tr("容量 (MB)")},
        {"summary.ranks", tr("Rank 數")},
        {"summary.deviceWidth", tr("晶片寬度 (bit)")},
        {"summary.busWidth", tr("匯流排寬度 (bit)")},
        {"summary.ecc", tr("ECC")},
        {"summary.organisation", tr("組織")},
        {"summary.speedMTs", tr("速度 (MT/s)")},
        {"summary.speedName", tr("速度等級")},
        {"summary.pcName", tr("模組速度名稱")},
        {"summary.manufacturer", tr("模組製造商")},
        {"summary.partNumber", tr("料號")},
        {"summary.serialNumber", tr("序號")},
        {"summary.manufactured", tr("製造日期")},
        {"panel", tr("解碼面板")},
        {"ioPanelTitle", tr("模組 I/O 標題")},
        {"manufacturerName", tr("製造商名稱")},
        {"casLatencies", tr("CAS 延遲")},
        {"voltage", tr("電壓")},
        {"checks.checksum63", tr("Checksum (位元組 0-62，存於 63)")},
        {"checks.crc16", tr("CRC (存於位元組 126-127)")},
    };
    for (const auto& [name, shown] : names) {
        if (k == QLatin1String(name))
            return shown;
    }
    if (k.startsWith(QLatin1String("fields.")))
        return after("fields.");  // the panel's own caption
    if (k.startsWith(QLatin1String("timings.")))
        return after("timings.");
    if (k.startsWith(QLatin1String("checks.crc16_")))  // "checks.crc16_0_125"
        return tr("CRC %1").arg(after("checks.crc16_").replace(QLatin1Char('_'), QLatin1Char('-')));
    if (k.startsWith(QLatin1String("warnings.")))
        return tr("警告 %1").arg(after("warnings."));
    if (k.startsWith(QLatin1String("profiles."))) {
        // "profiles.XMP 2.0 #1.speedMTs": the profile, then what of it.
        const QString rest = after("profiles.");
        const qsizetype hash = rest.indexOf(QLatin1Char('#'));
        const qsizetype dot = hash < 0 ? -1 : rest.indexOf(QLatin1Char('.'), hash);
        if (dot < 0)
            return rest;
        const QString profile = rest.left(dot);
        const QString what = rest.mid(dot + 1);
        const std::pair<const char*, QString> parts[] = {
            {"enabled", tr("啟用")},        {"name", tr("名稱")},
            {"speedMTs", tr("速度 (MT/s)")}, {"tCKminPs", tr("tCKmin (ps)")},
            {"voltage", tr("電壓")},         {"casLatencies", tr("CAS 延遲")},
            {"crcOk", tr("CRC 正確")},
        };
        for (const auto& [name, shown] : parts) {
            if (what == QLatin1String(name))
                return profile + QLatin1Char(' ') + shown;
        }
        return profile + QLatin1Char(' ') + (what.startsWith(QLatin1String("timings.")) ? what.mid(8) : what);
    }
    return k;
}

QString CompareWindow::headerText() const
{
    return m_header->text();
}

void CompareWindow::nextDifference()
{
    const int count = static_cast<int>(m_bytes.differences.size());
    if (count > 0)
        showDifference(m_current < 0 ? 0 : (m_current + 1) % count);
}

void CompareWindow::previousDifference()
{
    const int count = static_cast<int>(m_bytes.differences.size());
    if (count > 0)
        showDifference(m_current <= 0 ? count - 1 : m_current - 1);
}

void CompareWindow::showDifference(int index)
{
    m_current = index;
    const ByteDifference& d = m_bytes.differences[static_cast<std::size_t>(index)];
    m_position->setText(tr("差異 %1 / %2：%3")
                            .arg(index + 1)
                            .arg(m_bytes.differences.size())
                            .arg(QString::fromStdString(ByteDifferenceText(d))));
    select({static_cast<int>(d.offset)});
}

void CompareWindow::selectFact(int row)
{
    if (row < 0 || row >= static_cast<int>(m_facts.size()))
        return;
    std::set<int> indexes;
    for (const ByteSpan& span : m_facts[static_cast<std::size_t>(row)].bytes) {
        for (int i = span.first; i <= span.last && i < kMaxImageSize; ++i)
            indexes.insert(i);
    }
    select(indexes);
}

void CompareWindow::select(const std::set<int>& indexes)
{
    for (auto [grid, cells] : {std::pair{m_gridA, m_cellsA}, std::pair{m_gridB, m_cellsB}}) {
        cells->setSelection(indexes);
        grid->update();
        if (!cells->selection().empty())
            grid->scrollToCell(*cells->selection().begin());
    }
}

void CompareWindow::chooseAndShow(QWidget* parent, std::vector<std::pair<QString, ImageData>> open, int active,
                                  const std::function<void(QWidget*)>& addToWorkspace)
{
    CompareSourceDialog dialog(std::move(open), active, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    auto* window = new CompareWindow(dialog.image(0), dialog.caption(0), dialog.image(1), dialog.caption(1));
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (addToWorkspace)
        addToWorkspace(window);
    else
        window->show();
}

// ---------------------------------------------------------------------------

CompareSourceDialog::CompareSourceDialog(std::vector<std::pair<QString, ImageData>> open, int active, QWidget* parent)
    : QDialog(parent)
    , m_open(std::move(open))
{
    setWindowTitle(tr("比較"));
    const int count = static_cast<int>(m_open.size());
    const int first = active >= 0 && active < count ? active : 0;
    const int defaults[2] = {first, count > 1 && first == 0 ? 1 : 0};
    auto* layout = new QVBoxLayout(this);
    for (int which = 0; which < 2; ++which) {
        Side& side = m_sides[static_cast<std::size_t>(which)];
        auto* box = new QGroupBox(which == 0 ? tr("映像 A") : tr("映像 B"));
        auto* grid = new QGridLayout(box);
        side.document = new QRadioButton(tr("開啟的文件"));
        side.documents = new QComboBox;
        for (const auto& [caption, image] : m_open)
            side.documents->addItem(caption);
        side.file = new QRadioButton(tr("檔案"));
        side.path = new QLineEdit;
        side.browse = new QPushButton(tr("瀏覽…"));
        grid->addWidget(side.document, 0, 0);
        grid->addWidget(side.documents, 0, 1, 1, 2);
        grid->addWidget(side.file, 1, 0);
        grid->addWidget(side.path, 1, 1);
        grid->addWidget(side.browse, 1, 2);
        layout->addWidget(box);

        const bool haveDocument = static_cast<int>(m_open.size()) > which;
        side.document->setEnabled(!m_open.empty());
        side.documents->setEnabled(!m_open.empty());
        if (!m_open.empty())
            side.documents->setCurrentIndex(defaults[which]);
        (haveDocument ? side.document : side.file)->setChecked(true);

        connect(side.documents, &QComboBox::activated, side.document, [&side] { side.document->setChecked(true); });
        connect(side.path, &QLineEdit::textEdited, side.file, [&side] { side.file->setChecked(true); });
        connect(side.browse, &QPushButton::clicked, this, [this, &side] {
            // A name the dialog cannot show (not UTF-8) is looked up by its bytes.
            const QString path = ResolveDialogFileName(QFileDialog::getOpenFileName(
                this, tr("開啟"), side.path->text(), tr("SPD 映像 (*.spd *.bin *.txt);;所有檔案 (*)")));
            if (!path.isEmpty()) {
                side.path->setText(path);
                side.file->setChecked(true);
            }
        });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("確定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CompareSourceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CompareSourceDialog::reject);
    layout->addWidget(buttons);
}

void CompareSourceDialog::accept()
{
    if (resolve(0) && resolve(1))
        QDialog::accept();
}

// Takes one side's image and caption; on a file that cannot be read, says why
// and leaves the dialog open.
bool CompareSourceDialog::resolve(int which)
{
    const Side& side = m_sides[static_cast<std::size_t>(which)];
    const auto at = static_cast<std::size_t>(which);
    if (side.document->isChecked()) {
        const int index = side.documents->currentIndex();
        if (index < 0 || index >= static_cast<int>(m_open.size()))
            return false;
        m_captions[at] = m_open[static_cast<std::size_t>(index)].first;
        m_images[at] = m_open[static_cast<std::size_t>(index)].second;
        return true;
    }
    const QString path = side.path->text().trimmed();
    if (path.isEmpty()) {
        QMessageBox::warning(this, tr("比較"), which == 0 ? tr("請選擇映像 A 的檔案。") : tr("請選擇映像 B 的檔案。"));
        side.path->setFocus();
        return false;
    }
    const std::string name = FileNameString(path);
    const InputFormat byName = InputFormatForFileName(name);
    const ImageRead read = ReadImageFile(name, byName == InputFormat::Text ? InputFormat::Text : InputFormat::Auto);
    if (!read.ok()) {
        QMessageBox::warning(this, tr("比較"), QString::fromStdString(read.error));
        side.path->setFocus();
        return false;
    }
    m_captions[at] = QFileInfo(path).fileName();
    m_images[at] = read.image;
    return true;
}

}  // namespace tessaro
