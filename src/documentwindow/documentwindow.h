#pragma once

#include "document/appvalues.h"
#include "document/documenteditor.h"
#include "document/spddocument.h"
#include "documentwindow/documentwindowbase.h"
#include "documentwindow/programmerpanel.h"
#include "pinmap/modulesignals.h"
#include "pinmap/pinmappanels.h"

#include <QDate>
#include <QTimer>

#include <array>
#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace tessaro {

class ByteGrid;
class DecodedPanels;
class PinMapPanel;

// The window that shows and edits one 256-byte SPD image. It owns the document
// and draws it; the rules live in SpdDocument and DocumentEditor, what both
// document windows share in DocumentWindowBase. Its title is the document's
// caption with Qt's modified mark ("SPD_File 1*" while modified).
class DocumentWindow : public DocumentWindowBase, private SpdDocumentObserver
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

    // Redraws everything that changed since the last refresh.
    void refreshNow() override;

    // --- Editing from the grid and the clipboard ---
    // Two hex digits typed on a cell: stored exactly as the entry box stores
    // its byte with Enter (marks, check bytes, decode, modified flag), then
    // the next byte is selected. Refused, with a status message, for a byte
    // the operator may not change.
    void typeByte(int index, std::uint8_t value);
    // A paste is written as DocumentEditor::pasteBytes writes it.
    void selectAllBytes() override;  // bytes 0-255
    [[nodiscard]] std::vector<std::uint8_t> selectedBytes() const override;
    // The image's own checksum or CRC (by byte 2).
    [[nodiscard]] QString checkMismatchText() const override;
    // A dialog on one value of the decoded panels ("partNumber"); OK stores it
    // as one undo step.
    void editValue(const QString& name);

    // The size the window opens with: 9460 x 7000 twips.
    [[nodiscard]] static QSize openingSize(const QWidget* reference);

    // Controls that the main window and the programmer link set.
    [[nodiscard]] QLineEdit* byteEntryBox() const { return m_selectedByte.entry; }
    [[nodiscard]] QLineEdit* fillBox() const { return m_fillBox; }
    [[nodiscard]] ByteGrid* grid() const { return m_grid; }
    [[nodiscard]] DecodedPanels* panels() const { return m_panels; }
    [[nodiscard]] QLabel* summaryLine() const { return m_summary; }  // the module summary, as `decode` starts
    [[nodiscard]] QLabel* profilesText() const { return m_profiles; }  // the overclocking profiles, one a line
    [[nodiscard]] ProgrammerPanel* programmerPanel() const { return m_programmer; }
    [[nodiscard]] QGroupBox* checkFrame() const { return m_checkFrame; }  // "Checksum/CRC"
    [[nodiscard]] QLabel* checkStateLabel() const { return m_checkState; }  // stored vs computed, red while they differ
    [[nodiscard]] QRadioButton* checkModeButton(CheckMode mode) const
    {
        return m_checkModeButtons[static_cast<std::size_t>(mode)];
    }
    [[nodiscard]] QCheckBox* dateCodeOption() const { return m_dateCode; }  // "燒錄日期碼"
    [[nodiscard]] QCheckBox* securityOption() const { return m_security; }  // "Secrity on SPD(7F)"

    // A device's frame (the SPD reader/writer's) under the decoded panels;
    // hidden, it takes no room.
    void addDeviceFrame(QWidget* frame);

    // --- Pin maps: the panels "IC 腳位圖" and "模組腳位圖" ---
    // They cover the window when shown and pick the picture of the image last
    // decoded (the memory type and module form of AppValues::decode).
    void icPinMapFromMenu();      // menu "腳位圖", "IC 腳位圖"
    void modulePinMapFromMenu();  // menu "腳位圖", "模組腳位圖"
    void icPinMapButton();        // tool-bar IC
    void modulePinMapButton();    // tool-bar DRAM
    [[nodiscard]] const PinMapPanels& pinMaps() const { return m_pinMaps; }
    [[nodiscard]] PinMapPanel* pinMapPanel(bool icPanel) const { return icPanel ? m_icPanel : m_modulePanel; }

    // --- What the programmer link shows ---
    // No status reply: the entry box is disabled and hidden, the programmer
    // frames and the check frame hidden.
    void showProgrammerMissing();
    void showProgrammerVersion(const QString& version) { m_programmer->showVersion(version); }
    void setTestFlags(std::uint8_t status) { m_programmer->setTestFlags(status); }
    // The entry box, the fill box, the automatic serial number and the date
    // code options follow the authorisation; the programmer frames and the
    // check frame are shown.
    void showProgrammerAccess(bool authorized);
    void showTestResultStarted() { m_programmer->showTestResultStarted(); }
    void showTestResult(const QString& text, bool pass) { m_programmer->showTestResult(text, pass); }
    void showTestCounts(int passed, int failed) { m_programmer->showTestCounts(passed, failed); }
    void showPinMarks(const std::array<PinMark, kModuleSignalCount>& marks, bool complete)
    {
        m_programmer->showPinMarks(marks, complete);
    }

signals:
    void statusRequested();  // the status request of a newly opened window
    void deviceCommandRequested(tessaro::DeviceCommand command);
    void autoNumberingClicked();  // the automatic serial number option, checked or not
    // A mouse press on a test-function box (see ProgrammerPanel::testFlagPressed).
    void testFlagPressed(int checkBox, bool tickedBeforePress);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DocumentWindowBase
    [[nodiscard]] bool documentModified() const override { return m_doc.isModified(); }
    void setDocumentModified(bool modified) override { m_doc.setModified(modified); }
    [[nodiscard]] std::string documentCaption() const override { return m_doc.captionWithoutMark(); }
    void beginEdit() override { m_editor.beginStep(); }
    [[nodiscard]] std::unique_ptr<RecordedEdit> endEdit() override;
    void editApplied() override;
    [[nodiscard]] int selectionStart() const override;
    void paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept) override;

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
    void runDeviceCommand(DeviceCommand command);
    // The date-code and security options after byte 2 changed (DDR3 or not).
    void followImageKind();
    void buildPinMapPanels();
    void showPinMaps();
    void updateEntryBox();  // the byte entry box shown and enabled as the editor says
    void showCheckState();
    void showView();  // the decoded panels, the summary line and the profiles
    DocumentEditor::Today today() const;

    AppValues& m_app;
    SpdDocument m_doc;
    DocumentEditor m_editor;
    std::function<QDate()> m_today;
    QTimer m_settleTimer;
    bool m_viewDirty = true;
    // What the panels, the summary and the grid as a whole show now.
    std::optional<DecodedView> m_shownView;
    std::optional<SpdImage> m_summaryImage;
    struct GridLook {
        int current = -1;
        int highlightedRow = -1;
        std::bitset<kSpdSize> redText;
        bool operator==(const GridLook&) const = default;
    };
    GridLook m_gridLook;

    SelectedBytePanel m_selectedByte;
    QLineEdit* m_fillBox = nullptr;
    ByteGrid* m_grid = nullptr;
    DecodedPanels* m_panels = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_profiles = nullptr;
    ProgrammerPanel* m_programmer = nullptr;
    QVBoxLayout* m_decodedColumn = nullptr;
    QGroupBox* m_checkFrame = nullptr;
    std::array<QRadioButton*, 3> m_checkModeButtons{};
    QLabel* m_checkState = nullptr;
    QLabel* m_fillCaption = nullptr;
    QCheckBox* m_dateCode = nullptr;
    QCheckBox* m_security = nullptr;
    QLabel* m_dateText = nullptr;
    QLabel* m_weekText = nullptr;
    QLabel* m_securityText = nullptr;
    PinMapPanels m_pinMaps;
    PinMapPanel* m_icPanel = nullptr;
    PinMapPanel* m_modulePanel = nullptr;
};

}  // namespace tessaro
