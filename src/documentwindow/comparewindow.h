#pragma once

#include "document/imagefacts.h"
#include "documentwindow/bytegrid.h"
#include "files/bytecompare.h"
#include "files/imageformat.h"

#include <QDialog>
#include <QWidget>

#include <array>
#include <functional>
#include <set>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tessaro {

// How a cell of a compared image stands against the other image.
enum class CompareMark {
    Same,
    Differs,    // both images have the byte, with different values
    OnlyHere,   // the other image has no such byte
    Absent,     // this image has no such byte (a truncated image, or a shorter one)
};

inline const QColor kDiffersColour(255, 255, 0);   // as an edited byte
inline const QColor kOnlyHereColour(255, 170, 60);

// The cells of one side of a comparison: its bytes, each cell's compare
// mark, and the bytes selected in both grids (red). No cursor.
class CompareCells final : public GridCells
{
public:
    CompareCells(std::vector<std::uint8_t> bytes, std::vector<CompareMark> marks);

    [[nodiscard]] int count() const override { return static_cast<int>(m_marks.size()); }
    [[nodiscard]] int byteAt(int index) const override;
    [[nodiscard]] QColor background(int index, const QColor& plain) const override;
    [[nodiscard]] bool selected(int index) const override { return m_selection.contains(index); }

    [[nodiscard]] CompareMark mark(int index) const;
    [[nodiscard]] int markedCount() const;  // cells that are not Same
    [[nodiscard]] const std::set<int>& selection() const { return m_selection; }
    void setSelection(std::set<int> indexes);

private:
    std::vector<std::uint8_t> m_bytes;
    std::vector<CompareMark> m_marks;  // one per cell
    std::set<int> m_selection;
};

// A view of two images side by side, changing neither: both grids with the
// differing bytes marked, the differing decoded facts (clicking one selects
// its bytes in both grids), and a cursor that walks the differing bytes
// (Next/Previous difference, F8/Shift+F8, wrapping round at either end).
class CompareWindow : public QWidget
{
    Q_OBJECT
public:
    CompareWindow(const ImageData& a, const QString& captionA, const ImageData& b, const QString& captionB,
                  QWidget* parent = nullptr);

    // Asks for two images with a CompareSourceDialog (open: the open documents'
    // captions and images; active: the index of the active one, image A's
    // default, or -1) and hands a new compare window to addToWorkspace, or
    // shows it as a window of its own when addToWorkspace is empty.
    static void chooseAndShow(QWidget* parent, std::vector<std::pair<QString, ImageData>> open, int active,
                              const std::function<void(QWidget*)>& addToWorkspace);

    // The name a fact is listed under ("容量 (MB)" for summary.capacityMB,
    // the panel caption for a panel field); the table keeps the fact's key in
    // Qt::UserRole of its first column.
    [[nodiscard]] static QString factName(const std::string& key);

    [[nodiscard]] const ByteComparison& byteComparison() const { return m_bytes; }
    [[nodiscard]] const std::vector<FactDifference>& factDifferences() const { return m_facts; }
    [[nodiscard]] ByteGrid* gridA() const { return m_gridA; }
    [[nodiscard]] ByteGrid* gridB() const { return m_gridB; }
    [[nodiscard]] const CompareCells& cellsA() const { return *m_cellsA; }
    [[nodiscard]] const CompareCells& cellsB() const { return *m_cellsB; }
    [[nodiscard]] QTableWidget* factTable() const { return m_factTable; }
    [[nodiscard]] QPushButton* nextButton() const { return m_next; }
    [[nodiscard]] QPushButton* previousButton() const { return m_previous; }
    [[nodiscard]] QString headerText() const;
    // The index into byteComparison().differences of the current difference; -1 before the first move.
    [[nodiscard]] int currentDifference() const { return m_current; }

public slots:
    void nextDifference();
    void previousDifference();

private:
    void showDifference(int index);
    void selectFact(int row);
    void select(const std::set<int>& indexes);

    ByteComparison m_bytes;
    std::vector<FactDifference> m_facts;
    int m_current = -1;
    QLabel* m_header = nullptr;
    QLabel* m_position = nullptr;
    ByteGrid* m_gridA = nullptr;
    ByteGrid* m_gridB = nullptr;
    CompareCells* m_cellsA = nullptr;  // owned by the grids
    CompareCells* m_cellsB = nullptr;
    QTableWidget* m_factTable = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_previous = nullptr;
};

// Chooses the two images of a comparison: each side is one of the open
// documents or a file (a name ending in "spd" read as text, like Open, any
// other name read as binary, text or hex dump by its contents).
class CompareSourceDialog : public QDialog
{
    Q_OBJECT
public:
    // Image A starts on the open document `active` (the first when -1), image
    // B on another one when there is one.
    CompareSourceDialog(std::vector<std::pair<QString, ImageData>> open, int active = -1, QWidget* parent = nullptr);

    struct Side {
        QRadioButton* document = nullptr;
        QComboBox* documents = nullptr;
        QRadioButton* file = nullptr;
        QLineEdit* path = nullptr;
        QPushButton* browse = nullptr;
    };
    [[nodiscard]] const Side& side(int which) const { return m_sides[static_cast<std::size_t>(which)]; }

    // The chosen images and captions, once accepted.
    [[nodiscard]] const ImageData& image(int which) const { return m_images[static_cast<std::size_t>(which)]; }
    [[nodiscard]] const QString& caption(int which) const { return m_captions[static_cast<std::size_t>(which)]; }

public slots:
    void accept() override;

private:
    bool resolve(int which);

    std::vector<std::pair<QString, ImageData>> m_open;
    std::array<Side, 2> m_sides;
    std::array<ImageData, 2> m_images;
    std::array<QString, 2> m_captions;
};

}  // namespace tessaro
