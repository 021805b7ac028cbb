#pragma once

#include "document/moduledocument.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;
class QUndoStack;
class QVBoxLayout;

namespace tessaro {

class ModuleByteGrid;

// The window that shows and edits one 512- or 1024-byte image: the selected
// byte with its name and value and the entry box, the scrolling byte grid with
// the fill box, the check mode, and the decode beside them (the summary line,
// the fields, one line per CRC block, the overclocking profiles). It owns the
// document; the rules live in ModuleDocument. Its title is the caption with
// Qt's modified mark, as the 256-byte window's.
class ModuleDocumentWindow : public QWidget, private ModuleDocumentObserver
{
    Q_OBJECT
public:
    ModuleDocumentWindow(ImageData image, const QString& caption, QWidget* parent = nullptr);
    ~ModuleDocumentWindow() override;

    [[nodiscard]] ModuleDocument& document() { return m_doc; }
    [[nodiscard]] const ModuleDocument& document() const { return m_doc; }

    // Run by the close prompt's Yes; returns whether the image was saved.
    void setSaveHandler(std::function<bool(ModuleDocumentWindow*)> save) { m_save = std::move(save); }

    // Selects a byte as a click on its cell does.
    void selectByte(int index);
    [[nodiscard]] int currentByte() const;

    // --- Editing from the grid and the clipboard ---
    // A byte stored as the entry box stores it with Enter (edited mark, CRC
    // blocks in CRC mode, decode, modified flag); the next byte is selected.
    // A byte a truncated image lacks takes no value.
    void typeByte(int index, std::uint8_t value);
    // Bytes written from `from` on as one edit, within the bytes present; the
    // status message says how many were written and dropped.
    void pasteBytes(int from, std::span<const std::uint8_t> bytes);
    void copySelection();   // the selected bytes to the clipboard as "80 08 08 0E"
    void pasteClipboard();  // the clipboard's hex text from the selected byte on
    void selectAllBytes();
    [[nodiscard]] std::vector<std::uint8_t> selectedBytes() const;
    // Empty while every CRC block agrees with its bytes; otherwise one line
    // naming each block's stored and computed CRC.
    [[nodiscard]] QString checkMismatchText() const;

    // Puts the programmer column at the right edge of the window, as the
    // 256-byte window has it (its buttons are connected by the caller).
    void setProgrammerColumn(QWidget* column);
    // A device's frame (the SPD reader/writer's) under the check frame;
    // hidden, it takes no room.
    void addDeviceFrame(QWidget* frame);

    // The text the programmer's buttons answer with: the programmer and the
    // module tester hold 256-byte EEPROMs, so a larger image is never sent.
    [[nodiscard]] QString programmerRefusal() const;

    // --- Undo and redo, as in the 256-byte window ---
    [[nodiscard]] QUndoStack* undoStack() const { return m_undo; }
    // Runs `change` and records what it did as one step named `text`.
    void recordStep(const QString& text, const std::function<void()>& change);
    // A change of byte `index` by the byte entry; merges with the step before
    // it when that one left off at `index`.
    void recordByteEntry(int index, int nextIndex, const std::function<void()>& change);
    void markClean();

    // What a step puts back: the document and the selected byte.
    struct Snapshot {
        ModuleDocument::State document;
        int current = 0;
    };

    // Redraws the panels that changed since the last refresh; handlers call it
    // themselves, other callers' changes are drawn from the event loop.
    void refreshNow();

    [[nodiscard]] ModuleByteGrid* grid() const { return m_grid; }
    [[nodiscard]] QLineEdit* byteEntryBox() const { return m_byteEntry; }
    [[nodiscard]] QLineEdit* fillBox() const { return m_fillBox; }
    [[nodiscard]] QGroupBox* checkFrame() const { return m_checkFrame; }
    [[nodiscard]] QLabel* checkStateLabel() const { return m_checkState; }  // the bad blocks, in red
    [[nodiscard]] QRadioButton* checkModeButton(CheckMode mode) const
    {
        return mode == CheckMode::None ? m_noneButton : m_crcButton;
    }
    [[nodiscard]] QLabel* summaryLabel() const { return m_summary; }
    // One label per CRC block of the image, in image order.
    [[nodiscard]] std::vector<QLabel*> crcLines() const;
    [[nodiscard]] QTableWidget* profilesTable() const { return m_profiles; }

signals:
    void statusMessage(const QString& text);  // for the main window's status bar
    // A message of statusMessage no longer holds (the paste note after the
    // next edit or a save): the status bar drops it if it still shows it.
    void statusMessageWithdrawn(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;  // undo shortcuts in the hex boxes

private:
    // ModuleDocumentObserver
    void byteChanged(int index) override;
    void captionChanged() override;
    void decodeChanged() override;

    void buildUi();
    QWidget* buildSelectedPanel();
    QWidget* buildGridFrame();
    QWidget* buildCheckFrame();
    QWidget* buildDecodedSide();
    QLineEdit* buildHexBox(QWidget* parent, const QString& objectName);
    void storeEntry();
    void pushStep(const QString& text, const std::function<void()>& change, int entryByte, int nextByte);
    void restoreSnapshot(const Snapshot& snapshot, bool withCheckMode);
    void followCleanState();
    void paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept);
    void withdrawPasteNote();
    void showCheckState();
    void fillFromRowStart();
    void scheduleRefresh();
    void showSelectedByte();
    void showDecode();
    void showFields(const ModuleDecode& decode);
    void showCrcBlocks(const ModuleDecode& decode);
    void showProfiles(const ModuleDecode& decode);
    QLabel* fieldLabel(const QString& key) const;

    ModuleDocument m_doc;
    std::function<bool(ModuleDocumentWindow*)> m_save;
    bool m_refreshPending = false;
    bool m_selectedDirty = true;
    bool m_decodeDirty = true;
    QUndoStack* m_undo = nullptr;
    bool m_recording = false;
    bool m_restoring = false;
    QString m_pasteNote;  // the paste note the status bar shows, until the next edit or save

    QLabel* m_byteCaption = nullptr;
    QLabel* m_byteName = nullptr;
    QLabel* m_value = nullptr;
    QLineEdit* m_byteEntry = nullptr;
    QLineEdit* m_fillBox = nullptr;
    ModuleByteGrid* m_grid = nullptr;
    QGroupBox* m_checkFrame = nullptr;
    QRadioButton* m_crcButton = nullptr;
    QRadioButton* m_noneButton = nullptr;
    QLabel* m_checkState = nullptr;
    QLabel* m_summary = nullptr;
    QHBoxLayout* m_columns = nullptr;
    QVBoxLayout* m_leftColumn = nullptr;
    QWidget* m_fields = nullptr;
    QVBoxLayout* m_crcLayout = nullptr;
    std::vector<QLabel*> m_crcLines;
    int m_crcShown = 0;
    QTableWidget* m_profiles = nullptr;
    std::vector<QStringList> m_profileRows;  // what the table shows
    QLabel* m_warnings = nullptr;
};

}  // namespace tessaro
