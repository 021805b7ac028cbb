#include "app/logwindow.h"

#include "app/messages.h"
#include "files/filename.h"
#include "files/qttext.h"
#include "files/safefile.h"
#include "log/logexport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tessaro {

namespace {

// The operator beside the station, where the window shows it without scrolling.
enum Column {
    TimeColumn, StationColumn, OperatorColumn, OperationColumn, ResultColumn, SerialColumn, DocumentColumn,
    ModuleColumn, TestColumn, FailPinsColumn, PortColumn, DurationColumn, ImageColumn, ColumnCount
};

const char* const kHeaders[ColumnCount] = {
    "時間", "工作站", "操作員", "操作", "結果", "序號", "文件", "模組", "測試結果", "失敗腳位", "連接埠", "耗時 (ms)", "SHA-256",
};

// The names the log stores for its operations and operator modes (the command
// line and the CSV keep them), as the window shows them.
const char* const kStoredNames[] = {
    QT_TRANSLATE_NOOP("LogWindow", "download"), QT_TRANSLATE_NOOP("LogWindow", "check"),
    QT_TRANSLATE_NOOP("LogWindow", "read programmer"), QT_TRANSLATE_NOOP("LogWindow", "read module"),
    QT_TRANSLATE_NOOP("LogWindow", "compare"), QT_TRANSLATE_NOOP("LogWindow", "erase"),
    QT_TRANSLATE_NOOP("LogWindow", "auto-serial"), QT_TRANSLATE_NOOP("LogWindow", "tester read"),
    QT_TRANSLATE_NOOP("LogWindow", "tester copy"), QT_TRANSLATE_NOOP("LogWindow", "tester compare"),
    QT_TRANSLATE_NOOP("LogWindow", "tester test"), QT_TRANSLATE_NOOP("LogWindow", "tester learn"),
    QT_TRANSLATE_NOOP("LogWindow", "switch"), QT_TRANSLATE_NOOP("LogWindow", "test record"),
    QT_TRANSLATE_NOOP("LogWindow", "password"), QT_TRANSLATE_NOOP("LogWindow", "no password"),
    QT_TRANSLATE_NOOP("LogWindow", "ok"),
    QT_TRANSLATE_NOOP("LogWindow", "spdrw info"), QT_TRANSLATE_NOOP("LogWindow", "spdrw read"),
    QT_TRANSLATE_NOOP("LogWindow", "spdrw write"), QT_TRANSLATE_NOOP("LogWindow", "spdrw backup"),
    QT_TRANSLATE_NOOP("LogWindow", "spdrw verify"), QT_TRANSLATE_NOOP("LogWindow", "spdrw protect status"),
    QT_TRANSLATE_NOOP("LogWindow", "spdrw protect set"), QT_TRANSLATE_NOOP("LogWindow", "spdrw protect clear"),
};

QString Shown(const QString& stored)
{
    for (const char* name : kStoredNames)
        if (stored == QLatin1String(name))
            return QCoreApplication::translate("LogWindow", name);
    return stored;
}

// The stored UTC time in the time zone of this computer; unreadable text as it is.
QString LocalTime(const QString& utc)
{
    const QDateTime time = QDateTime::fromString(utc, Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : utc;
}

// A read puts the image into the document named: it did not come from there.
bool ReadsIntoDocument(const QString& operation)
{
    return operation == QLatin1String("read module") || operation == QLatin1String("read programmer") ||
           operation == QLatin1String("tester read");
}

constexpr int kPageRows = 500;

// The listed column (LogColumns()) that orders a column of the table.
QString ColumnName(int column)
{
    static const char* const names[ColumnCount] = {
        "time", "station", "operator", "operation", "result", "serial_number", "document", "module",
        "test_result", "fail_pins", "port", "duration_ms", "image_sha256",
    };
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(names[column]) : QString();
}

}  // namespace

LogTableModel::LogTableModel(ProductionLog& log, QObject* parent) : QAbstractTableModel(parent), m_log(log) {}

void LogTableModel::setFilter(const LogFilter& filter)
{
    m_filter = filter;
    reload();
}

void LogTableModel::reload()
{
    beginResetModel();
    m_error.clear();
    m_records.clear();
    m_records = m_log.page(m_filter, m_orderColumn, m_descending, 0, kPageRows, &m_error);
    // A first page that is not full holds them all; only a longer list is counted.
    m_total = static_cast<int>(m_records.size());
    if (m_error.isEmpty() && m_total == kPageRows)
        m_total = std::max(m_total, m_log.count(m_filter, &m_error));
    endResetModel();
}

bool LogTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_error.isEmpty() && static_cast<int>(m_records.size()) < m_total;
}

void LogTableModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    std::vector<LogRecord> more =
        m_log.page(m_filter, m_orderColumn, m_descending, static_cast<int>(m_records.size()), kPageRows, &m_error);
    if (more.empty()) {
        m_total = static_cast<int>(m_records.size());  // the log changed under the view
        return;
    }
    const int first = static_cast<int>(m_records.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    std::move(more.begin(), more.end(), std::back_inserter(m_records));
    endInsertRows();
}

std::vector<LogRecord> LogTableModel::allRecords()
{
    while (canFetchMore({})) {
        const std::size_t before = m_records.size();
        fetchMore({});
        if (m_records.size() == before)
            break;
    }
    return m_records;
}

void LogTableModel::sort(int column, Qt::SortOrder order)
{
    m_orderColumn = ColumnName(column);
    m_descending = order == Qt::DescendingOrder;
    reload();
}

int LogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

int LogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const LogRecord& r = record(index.row());
    if (role == Qt::ForegroundRole && index.column() == ResultColumn)
        return r.ok ? QVariant() : QVariant(QColor(Qt::red));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case TimeColumn: return role == Qt::DisplayRole ? LocalTime(r.timeUtc) : r.timeUtc;
    case StationColumn: return r.station;
    case OperationColumn: return Shown(r.operation);
    case ResultColumn: return role == Qt::DisplayRole ? Shown(r.result.section(u'\n', 0, 0)) : Shown(r.result);
    case SerialColumn: return r.serialNumber;
    case DocumentColumn:
        if (r.document.isEmpty() || !ReadsIntoDocument(r.operation))
            return r.document;
        return QCoreApplication::translate("LogWindow", "read into %1").arg(r.document);
    case ModuleColumn: return r.moduleSummary;
    case TestColumn: return r.testResult;
    case FailPinsColumn: return r.failPins;
    case PortColumn:
        // "port 1 (/dev/ttyUSB0)" as the link names it, "SPD reader/writer /dev/ttyUSB0 0x50 DDR4"
        if (r.port.startsWith(QLatin1String("port ")))
            return QCoreApplication::translate("LogWindow", "port %1").arg(r.port.mid(5));
        if (r.port.startsWith(QLatin1String("SPD reader/writer ")))
            return QCoreApplication::translate("LogWindow", "SPD reader/writer %1").arg(r.port.mid(18));
        return r.port;
    case OperatorColumn: return r.operatorName;
    case DurationColumn: return QString::number(r.durationMs);
    case ImageColumn: return r.imageSha256;
    default: return {};
    }
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return ToQString(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

LogWindow::LogWindow(const LogLocation& location, ImageOpener openImage, QWidget* parent)
    : QWidget(parent)
    , m_log(location)
    , m_openImage(std::move(openImage))
    , m_model(m_log)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(ToQString("生產紀錄"));

    m_since = buildDateBound("從", QStringLiteral("logSince"), QDate::currentDate().addDays(-7));
    m_until = buildDateBound("到", QStringLiteral("logUntil"), QDate::currentDate());
    m_result = new QComboBox(this);
    m_result->setObjectName(QStringLiteral("logResult"));
    m_result->addItems({ToQString("全部"), ToQString("成功"), ToQString("失敗")});
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("logText"));
    m_text->setPlaceholderText(ToQString("序號或文字"));
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(160);
    auto* openButton = new QPushButton(ToQString("開啟映像"), this);
    openButton->setObjectName(QStringLiteral("cmdLogOpenImage"));
    auto* exportButton = new QPushButton(ToQString("匯出 CSV…"), this);
    exportButton->setObjectName(QStringLiteral("cmdLogExport"));

    auto* filters = new QHBoxLayout;
    for (const DateBound& bound : {m_since, m_until}) {
        filters->addWidget(bound.enabled);
        filters->addWidget(bound.date);
    }
    filters->addWidget(new QLabel(ToQString("結果"), this));
    filters->addWidget(m_result);
    filters->addWidget(m_text, 1);
    filters->addWidget(openButton);
    filters->addWidget(exportButton);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("logTable"));
    m_table->setModel(&m_model);
    m_table->horizontalHeader()->setSortIndicator(TimeColumn, Qt::DescendingOrder);
    m_table->setSortingEnabled(true);  // reads the first page, newest first
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(TimeColumn, m_table->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-10 09:41:38")) + 16);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblLogCount"));
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("lblLogProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setWordWrap(true);
    auto* foot = new QHBoxLayout;
    foot->addWidget(m_count);
    foot->addWidget(m_problem, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(foot);

    const auto changed = [this] { reload(); };
    for (const DateBound& bound : {m_since, m_until}) {
        connect(bound.enabled, &QCheckBox::toggled, this, changed);
        connect(bound.date, &QDateEdit::dateChanged, this, [this, enabled = bound.enabled] {
            if (enabled->isChecked())
                reload();
        });
    }
    connect(m_result, &QComboBox::currentIndexChanged, this, changed);
    connect(m_text, &QLineEdit::textChanged, this, changed);
    connect(openButton, &QPushButton::clicked, this, [this] { openImageOfCurrentRow(); });
    connect(m_table, &QTableView::doubleClicked, this, [this] { openImageOfCurrentRow(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportWithDialog(); });
    reload();
}

LogWindow::~LogWindow() = default;

LogWindow::DateBound LogWindow::buildDateBound(const char* caption, const QString& objectName, const QDate& date)
{
    DateBound bound;
    bound.enabled = new QCheckBox(ToQString(caption), this);
    bound.enabled->setObjectName(objectName + QStringLiteral("On"));
    bound.date = new QDateEdit(date, this);
    bound.date->setObjectName(objectName);
    bound.date->setCalendarPopup(true);
    bound.date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return bound;
}

QString LogWindow::DateBound::timeBound(bool isUntil) const
{
    if (!enabled->isChecked())
        return {};
    return LogTimeBound(date->date().toString(Qt::ISODate), isUntil).value_or(QString());
}

void LogWindow::reload()
{
    LogFilter filter;
    filter.since = m_since.timeBound(false);
    filter.until = m_until.timeBound(true);
    if (m_result->currentIndex() > 0)
        filter.ok = m_result->currentIndex() == 1;
    filter.text = m_text->text().trimmed();
    m_model.setFilter(filter);
    QString problem = m_model.error();
    if (problem.isEmpty() && m_log.isReadOnly())
        problem = m_log.problem();
    m_problem->setText(problem);
    m_count->setText(ToQString("%1 筆").arg(m_model.total()));
}

std::vector<LogRecord> LogWindow::shownRecords()
{
    return m_model.allRecords();
}

bool LogWindow::exportCsv(const QString& path, QString* error)
{
    return WriteFileAtomically(path, LogCsv(shownRecords()), error);
}

void LogWindow::exportWithDialog()
{
    const QString shown = QFileDialog::getSaveFileName(this, ToQString("匯出 CSV"), QStringLiteral("production-log.csv"),
                                                       QStringLiteral("CSV (*.csv)"));
    if (shown.isEmpty())
        return;
    // A name the dialog cannot show (not UTF-8) is looked up by its bytes.
    const QString path = ResolveDialogFileName(shown);
    if (path.isEmpty()) {
        ui::ShowError(this, ToQString("生產紀錄"), ToQString("無法分辨檔案 %1：資料夾中有多個檔案的名稱顯示相同，請更名後再試。").arg(shown));
        return;
    }
    QString error;
    if (!exportCsv(path, &error))
        ui::ShowError(this, ToQString("生產紀錄"), error);
}

bool LogWindow::openCurrentImage(QString* error)
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) {
        *error = ToQString("請先選擇一筆紀錄");
        return false;
    }
    const LogRecord& record = m_model.record(current.row());
    if (record.imageSha256.isEmpty()) {
        *error = ToQString("這筆紀錄沒有映像 (%1)").arg(record.operation);
        return false;
    }
    const std::optional<QByteArray> image = m_log.image(record.imageSha256, error);
    if (!image)
        return false;
    m_openImage(*image, record);
    return true;
}

void LogWindow::openImageOfCurrentRow()
{
    QString error;
    if (!openCurrentImage(&error))
        ui::ShowError(this, ToQString("生產紀錄"), error);
}

}  // namespace tessaro
