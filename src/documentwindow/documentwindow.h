#pragma once

#include "document/appvalues.h"
#include "document/documenteditor.h"
#include "pinmap/modulesignals.h"
#include "pinmap/pinmappanels.h"
#include "document/spddocument.h"

#include <QDate>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tessaro {

class ByteGrid;
class DecodedPanels;
class PinMapPanel;

// The programmer commands that the document window's buttons start; the main
// window runs them.
enum class DeviceCommand {
    Download,       // Command1: downloadToProgrammer, then checkDownload
    ReadTester,     // Command2: readProgrammer
    Compare,        // Command3: compareWithProgrammer
    Erase,          // Command4: eraseProgrammer
    ReadModule,     // Command9: ReadModule
    ModuleRead,     // Command5: Read_Command
    ModuleCopy,     // Command6: Copy_Command
    ModuleCompare,  // Command7: Verify_Command
    ModuleTest,     // Command8: TEST_Command
    Learn,          // Command11: LEARN_Command
};

// frmDocument: the window that shows and edits one SPD image. It owns the
// document and draws it; the rules live in SpdDocument and DocumentEditor.
class DocumentWindow : public QWidget, private SpdDocumentObserver
{
    Q_OBJECT
public:
    DocumentWindow(AppValues& app, const QString& caption, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    // The opening of the window (all bytes 0, decoded, date fields, the
    // password colours, fill start 255); asks for the programmer's status and
    // starts the two-second settle timer. `today` replaces the clock in tests.
    void open(std::function<QDate()> today = {});

    [[nodiscard]] SpdDocument& document() { return m_doc; }
    [[nodiscard]] const SpdDocument& document() const { return m_doc; }
    [[nodiscard]] DocumentEditor& editor() { return m_editor; }

    // Run by the close prompt's Yes; returns whether the image was saved.
    void setSaveHandler(std::function<bool(DocumentWindow*)> save) { m_save = std::move(save); }

    // Redraws everything that changed since the last refresh; handlers call
    // it themselves, other callers' changes are drawn from the event loop.
    void refreshNow();

    // The size the window opens with: 9460 x 7000 twips.
    [[nodiscard]] static QSize openingSize(const QWidget* reference);

    // Controls that the main window and the programmer link set.
    [[nodiscard]] QLineEdit* byteEntryBox() const { return m_text1; }
    [[nodiscard]] QLineEdit* fillBox() const { return m_text2; }
    [[nodiscard]] ByteGrid* grid() const { return m_grid; }
    [[nodiscard]] DecodedPanels* panels() const { return m_panels; }
    [[nodiscard]] QCheckBox* option(int number) const;  // Check1 ... Check10
    [[nodiscard]] QGroupBox* frame(int number) const;   // Frame4 ... Frame13
    [[nodiscard]] QLabel* label(int number) const;      // Label51, Label52, Label94, Label95
    [[nodiscard]] QRadioButton* checkModeButton(int index) const { return m_optcrc[static_cast<std::size_t>(index)]; }
    [[nodiscard]] QLabel* moduleSignalLabel(int index) const { return m_dataL[static_cast<std::size_t>(index)]; }

    // --- Pin maps: the panels "IC 腳位圖" (Frame11) and "模組腳位圖" (Frame12) ---
    // They cover the window when shown and pick the picture of the image last
    // decoded (CurrentMemoryType, CurrentModuleForm).
    void icPinMapFromMenu();      // mnuICpin
    void modulePinMapFromMenu();  // mnuMODULEpin
    void icPinMapButton();        // tool-bar IC
    void modulePinMapButton();    // tool-bar DRAM
    [[nodiscard]] const PinMapPanels& pinMaps() const { return m_pinMaps; }
    [[nodiscard]] PinMapPanel* pinMapPanel(bool icPanel) const { return icPanel ? m_icPanel : m_modulePanel; }

    // --- What the programmer link shows ---
    // No status reply: the entry box is disabled and hidden, the programmer
    // frames and the check frame hidden.
    void showProgrammerMissing();
    void showProgrammerVersion(const QString& version);   // Label52 "Ver: " + version
    // Each test-function box from its status bit: a set bit clears it.
    void setTestFlags(std::uint8_t status);
    // The entry box, the fill box and the options Check1 / Check2 follow the
    // authorisation; the programmer frames and the check frame are shown.
    void showProgrammerAccess(bool authorized);
    void showTestResultStarted();                          // Label51 on red
    void showTestResult(const QString& text, bool pass);   // PASS on green
    void showTestCounts(int passed, int failed);
    // Pins named by a test record get their colour and a border; when the whole
    // record was read, the others turn grey without a border.
    void showPinMarks(const std::array<PinMark, kModuleSignalCount>& marks, bool complete);

signals:
    void statusRequested();                     // the status request of a newly opened window
    void deviceCommandRequested(tessaro::DeviceCommand command);
    void autoNumberingClicked();                // Check1, checked or not: setAutoSerial
    // A mouse press on a test-function box (Check4 ... Check10) with the
    // box's value before the press; delivered after the press was handled.
    void testFlagPressed(int checkBox, bool tickedBeforePress);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SpdDocumentObserver
    void byteChanged(int index) override;
    void markChanged(int index) override;
    void captionChanged() override;
    void typeChanged() override;
    void checkModeChanged() override;
    void selectedPanelChanged() override;
    void decodedViewChanged() override;

    void buildUi();
    QWidget* buildSelectedPanel();
    QWidget* buildGridFrame();
    QWidget* buildCheckFrame();
    QWidget* buildComputerFrame();
    QWidget* buildProgrammerColumn();
    void scheduleRefresh();
    void runDeviceCommand(DeviceCommand command);
    void resetCounters();
    // The date-code and security options after byte 2 changed (DDR3 or not).
    void followImageKind();
    void buildPinMapPanels();
    void showPinMaps();
    DocumentEditor::Today today() const;

    AppValues& m_app;
    SpdDocument m_doc;
    DocumentEditor m_editor;
    std::function<bool(DocumentWindow*)> m_save;
    std::function<QDate()> m_today;
    QTimer m_settleTimer;
    bool m_refreshPending = false;
    bool m_viewDirty = true;

    QLabel* m_byteCaption = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_value = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    ByteGrid* m_grid = nullptr;
    DecodedPanels* m_panels = nullptr;
    std::array<QRadioButton*, 3> m_optcrc{};
    QLabel* m_dateText = nullptr;
    QLabel* m_weekText = nullptr;
    QLabel* m_securityText = nullptr;
    std::array<QCheckBox*, 11> m_checks{};
    std::array<QGroupBox*, 14> m_frames{};
    QLabel* m_label51 = nullptr;
    QLabel* m_label52 = nullptr;
    QLabel* m_label94 = nullptr;
    QLabel* m_label95 = nullptr;
    std::array<QLabel*, 144> m_dataL{};
    PinMapPanels m_pinMaps;
    PinMapPanel* m_icPanel = nullptr;
    PinMapPanel* m_modulePanel = nullptr;
};

}  // namespace tessaro
