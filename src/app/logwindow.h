#pragma once

#include "log/productionlog.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace tessaro {

// The records of the production log as a table, one row per record.
class LogTableModel final : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRecords(std::vector<LogRecord> records);
    [[nodiscard]] const LogRecord& record(int row) const { return m_records[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The value that orders a column (numbers as numbers).
    static constexpr int kSortRole = Qt::UserRole;

private:
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
    [[nodiscard]] std::vector<LogRecord> shownRecords() const;
    // Writes the rows shown to path as CSV, atomically; false with *error set.
    bool exportCsv(const QString& path, QString* error) const;
    // Opens the image of the current row; false with *error set when it has none.
    bool openCurrentImage(QString* error);

    [[nodiscard]] QTableView* table() const { return m_table; }
    [[nodiscard]] QCheckBox* sinceEnabled() const { return m_sinceOn; }
    [[nodiscard]] QDateEdit* since() const { return m_since; }
    [[nodiscard]] QCheckBox* untilEnabled() const { return m_untilOn; }
    [[nodiscard]] QDateEdit* until() const { return m_until; }
    [[nodiscard]] QComboBox* result() const { return m_result; }
    [[nodiscard]] QLineEdit* text() const { return m_text; }
    [[nodiscard]] QLabel* countLabel() const { return m_count; }

private:
    void exportWithDialog();
    void openImageOfCurrentRow();

    ProductionLog m_log;
    ImageOpener m_openImage;
    LogTableModel m_model;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    QCheckBox* m_sinceOn = nullptr;
    QDateEdit* m_since = nullptr;
    QCheckBox* m_untilOn = nullptr;
    QDateEdit* m_until = nullptr;
    QComboBox* m_result = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_problem = nullptr;
};

}  // namespace tessaro
