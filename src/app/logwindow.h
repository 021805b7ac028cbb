#pragma once

#include "log/productionlog.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tessaro {

// The records of the production log that pass a filter, as a table, one row
// per record. Rows are read a page at a time as the view scrolls to them;
// sorting orders them in the database.
class LogTableModel final : public QAbstractTableModel
{
public:
    explicit LogTableModel(ProductionLog& log, QObject* parent = nullptr);

    // Reads the first page of the records that pass filter.
    void setFilter(const LogFilter& filter);
    // How many records pass the filter (not all of them may be read yet).
    [[nodiscard]] int total() const { return m_total; }
    // Why the log could not be read; empty when it could.
    [[nodiscard]] const QString& error() const { return m_error; }
    [[nodiscard]] const LogRecord& record(int row) const { return m_records[static_cast<std::size_t>(row)]; }
    // Every record that passes the filter, in the order shown.
    [[nodiscard]] std::vector<LogRecord> allRecords();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void reload();

    ProductionLog& m_log;
    LogFilter m_filter;
    QString m_orderColumn = QStringLiteral("time");
    bool m_descending = true;
    int m_total = 0;
    QString m_error;
    std::vector<LogRecord> m_records;
};

// "生產紀錄": the production log with its filters (date range, result, a
// serial number or any text), sorted by any column; a row's image opens as a
// new document, and the rows shown export to CSV.
class LogWindow final : public QWidget
{
    Q_OBJECT
public:
    // openImage receives the bytes of a logged image and the record it belongs to.
    using ImageOpener = std::function<void(const QByteArray& image, const LogRecord& record)>;
    LogWindow(const LogLocation& location, ImageOpener openImage, QWidget* parent = nullptr);
    ~LogWindow() override;

    // Reads the rows that pass the filters again.
    void reload();
    // The rows shown, in the order shown.
    [[nodiscard]] std::vector<LogRecord> shownRecords();
    // Writes the rows shown to path as CSV, atomically; false with *error set.
    bool exportCsv(const QString& path, QString* error);
    // Opens the image of the current row; false with *error set when it has none.
    bool openCurrentImage(QString* error);

    [[nodiscard]] QTableView* table() const { return m_table; }
    [[nodiscard]] QCheckBox* sinceEnabled() const { return m_since.enabled; }
    [[nodiscard]] QDateEdit* since() const { return m_since.date; }
    [[nodiscard]] QCheckBox* untilEnabled() const { return m_until.enabled; }
    [[nodiscard]] QDateEdit* until() const { return m_until.date; }
    [[nodiscard]] QComboBox* result() const { return m_result; }
    [[nodiscard]] QLineEdit* text() const { return m_text; }
    [[nodiscard]] QLabel* countLabel() const { return m_count; }

private:
    // A date that bounds the records shown while its box is ticked.
    struct DateBound {
        QCheckBox* enabled = nullptr;
        QDateEdit* date = nullptr;
        // The bound as the log's time text (the end of the day for the
        // upper one), empty while the box is not ticked.
        [[nodiscard]] QString timeBound(bool isUntil) const;
    };
    // The box `caption` and its date edit, named objectName+"On" and objectName.
    DateBound buildDateBound(const char* caption, const QString& objectName, const QDate& date);
    void exportWithDialog();
    void openImageOfCurrentRow();

    ProductionLog m_log;
    ImageOpener m_openImage;
    LogTableModel m_model;
    QTableView* m_table = nullptr;
    DateBound m_since;
    DateBound m_until;
    QComboBox* m_result = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_problem = nullptr;
};

}  // namespace tessaro
