#pragma once

#include "document/appvalues.h"
#include "document/documenteditor.h"
#include "document/spddocument.h"
#include "documentwindow/programmerpanel.h"
#include "pinmap/modulesignals.h"
#include "pinmap/pinmappanels.h"

#include <QDate>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;
class QUndoStack;

namespace tessaro {

class ByteGrid;
class DecodedPanels;
class PinMapPanel;

// The window that shows and edits one SPD image. It owns the document and
// draws it; the rules live in SpdDocument and DocumentEditor. Its title is the
// document's caption with Qt's modified mark ("SPD_File 1*" while modified).
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

    // --- Undo and redo ---
    // Every change of the bytes is one step on this stack. The stack is clean
    // after the window opens, after a load from a file and after a save;
    // coming back to the clean state clears the modified flag, leaving it by
    // undo or redo sets it.
    [[nodiscard]] QUndoStack* undoStack() const { return m_undo; }
    // Runs `change` and records what it did to the bytes, marks, check bytes
    // and stamps as one step named `text`; a change that changed nothing
    // records nothing.
    void recordStep(const QString& text, const std::function<void()>& change);
    // The same for a change of the selected byte `index` by the byte entry:
    // the step merges with the step before it when that one left off at
    // `index` (its own nextIndex), so typing byte after byte is one step.
    void recordByteEntry(int index, int nextIndex, const std::function<void()>& change);
    // The bytes now are those of the file (a load or a save).
    void markClean();

    // Redraws everything that changed since the last refresh; handlers call
    // it themselves, other callers' changes are drawn from the event loop.
    void refreshNow();

    // --- Editing from the grid and the clipboard ---
    // Two hex digits typed on a cell: stored exactly as the entry box stores
    // its byte with Enter (marks, check bytes, decode, modified flag), then
    // the next byte is selected. Refused, with a status message, for a byte
    // the operator may not change.
    void typeByte(int index, std::uint8_t value);
    // Bytes written from `from` on as one edit (see DocumentEditor::pasteBytes);
    // the status message says how many were written or dropped, or why none was.
    void pasteBytes(int from, std::span<const std::uint8_t> bytes);
    void copySelection();   // the selected bytes to the clipboard as "80 08 08 0E"
    void pasteClipboard();  // the clipboard's hex text from the selected byte on
    void selectAllBytes();  // bytes 0-255
    [[nodiscard]] std::vector<std::uint8_t> selectedBytes() const;
    // Empty while the image's own checksum or CRC (by byte 2) agrees with its
    // bytes; otherwise the note a read gives, naming the stored and computed values.
    [[nodiscard]] QString checkMismatchText() const;

    // The size the window opens with: 9460 x 7000 twips.
    [[nodiscard]] static QSize openingSize(const QWidget* reference);

    // Controls that the main window and the programmer link set.
    [[nodiscard]] QLineEdit* byteEntryBox() const { return m_byteEntry; }
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
    void statusMessage(const QString& text);  // for the main window's status bar
    // A message of statusMessage no longer holds (the paste note after the
    // next edit or a save): the status bar drops it if it still shows it.
    void statusMessageWithdrawn(const QString& text);
    void deviceCommandRequested(tessaro::DeviceCommand command);
    void autoNumberingClicked();  // the automatic serial number option, checked or not
    // A mouse press on a test-function box (see ProgrammerPanel::testFlagPressed).
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
    // The byte entry box and the fill box: hexadecimal digits only, keys seen
    // by eventFilter first.
    QLineEdit* buildHexBox(QWidget* parent, const QString& objectName);
    QWidget* buildGridFrame();
    QWidget* buildCheckFrame();
    QWidget* buildComputerFrame();
    void scheduleRefresh();
    void runDeviceCommand(DeviceCommand command);
    // The date-code and security options after byte 2 changed (DDR3 or not).
    void followImageKind();
    void buildPinMapPanels();
    void showPinMaps();
    void updateEntryBox();  // the byte entry box shown and enabled as the editor says
    void pushStep(const QString& text, const std::function<void()>& change, int entryByte, int nextByte);
    void restoreSnapshot(const DocumentEditor::Snapshot& snapshot, bool withCheckMode);
    void followCleanState();  // the modified flag after an undo or redo
    void showCheckState();
    // A paste; `notKept` bytes of the pasted text were beyond what was read.
    void paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept);
    void withdrawPasteNote();
    DocumentEditor::Today today() const;

    AppValues& m_app;
    SpdDocument m_doc;
    DocumentEditor m_editor;
    std::function<bool(DocumentWindow*)> m_save;
    std::function<QDate()> m_today;
    QTimer m_settleTimer;
    bool m_refreshPending = false;
    bool m_viewDirty = true;
    QUndoStack* m_undo = nullptr;
    bool m_recording = false;  // a step's change is running
    bool m_restoring = false;
    QString m_pasteNote;  // the paste note the status bar shows, until the next edit or save  // an undo or redo is putting a state back

    QLabel* m_byteCaption = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_value = nullptr;
    QLineEdit* m_byteEntry = nullptr;
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

// The title as the window's frame shows it: Qt's "[*]" placeholder replaced
// by "*" while the window is modified, and by nothing otherwise.
[[nodiscard]] QString ShownWindowTitle(const QWidget* window);

}  // namespace tessaro
