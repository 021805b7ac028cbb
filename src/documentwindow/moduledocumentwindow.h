#pragma once

#include "document/spddocument.h"
#include "documentwindow/documentwindowbase.h"

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
class QVBoxLayout;

namespace tessaro {

class ByteGrid;

// The window that shows and edits one 512- or 1024-byte image: the selected
// byte with its name and value and the entry box, the scrolling byte grid with
// the fill box, the check mode, and the decode beside them (the summary line,
// the fields, one line per CRC block, the overclocking profiles). It owns the
// document; the rules live in SpdDocument, what both document windows
// share in DocumentWindowBase.
class ModuleDocumentWindow : public DocumentWindowBase, private SpdDocumentObserver
{
    Q_OBJECT
public:
    ModuleDocumentWindow(ImageData image, const QString& caption, QWidget* parent = nullptr);
    ~ModuleDocumentWindow() override;

    [[nodiscard]] SpdDocument& document() { return m_doc; }
    [[nodiscard]] const SpdDocument& document() const { return m_doc; }

    // Selects a byte as a click on its cell does.
    void selectByte(int index);
    [[nodiscard]] int currentByte() const;

    // --- Editing from the grid and the clipboard ---
    // A byte stored as the entry box stores it with Enter (edited mark, CRC
    // blocks in CRC mode, decode, modified flag); the next byte is selected.
    // A byte a truncated image lacks takes no value.
    void typeByte(int index, std::uint8_t value);
    // A paste writes within the bytes present.
    void selectAllBytes() override;
    [[nodiscard]] std::vector<std::uint8_t> selectedBytes() const override;
    // One line naming each CRC block's stored and computed CRC.
    [[nodiscard]] QString checkMismatchText() const override;
    // Dialogs that edit by meaning; OK stores the edit as one undo step.
    void editValues(std::vector<std::string> names, const QString& title);  // none: every identity value
    void editTimings();
    void editProfiles();

    // Puts the programmer column at the right edge of the window, as the
    // 256-byte window has it (its buttons are connected by the caller).
    void setProgrammerColumn(QWidget* column);
    // A device's frame (the SPD reader/writer's) under the check frame;
    // hidden, it takes no room.
    void addDeviceFrame(QWidget* frame);

    // The text the programmer's buttons answer with: the programmer and the
    // module tester hold 256-byte EEPROMs, so a larger image is never sent.
    [[nodiscard]] QString programmerRefusal() const;

    // What an edit changed: the document's change and the selected byte
    // before and after; applyStep puts it back for the undo stack.
    struct Step {
        SpdDocument::Change document;
        int currentBefore = 0;
        int currentAfter = 0;
        void absorb(const Step& later);
    };
    void applyStep(const Step& step, bool undo);

    // Redraws the panels that changed since the last refresh.
    void refreshNow() override;

    [[nodiscard]] ByteGrid* grid() const { return m_grid; }
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

private:
    // DocumentWindowBase
    [[nodiscard]] bool documentModified() const override { return m_doc.isModified(); }
    void setDocumentModified(bool modified) override { m_doc.setModified(modified); }
    [[nodiscard]] std::string documentCaption() const override { return m_doc.captionWithoutMark(); }
    void beginEdit() override;
    [[nodiscard]] std::unique_ptr<RecordedEdit> endEdit() override;
    void editApplied() override;
    [[nodiscard]] int selectionStart() const override;
    void paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept) override;

    // SpdDocumentObserver
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
    void showCheckState();
    void fillFromRowStart();
    void showSelectedByte();
    void showDecode();
    void showFields(const ModuleDecode& decode);
    void showCrcBlocks(const ModuleDecode& decode);
    void showProfiles(const ModuleDecode& decode);
    QLabel* fieldLabel(const QString& key) const;

    SpdDocument m_doc;
    bool m_selectedDirty = true;
    bool m_decodeDirty = true;
    int m_currentBefore = 0;  // the selected byte when the edit being noted began

    QLabel* m_byteCaption = nullptr;
    QLabel* m_byteName = nullptr;
    QLabel* m_value = nullptr;
    QLineEdit* m_byteEntry = nullptr;
    QLineEdit* m_fillBox = nullptr;
    ByteGrid* m_grid = nullptr;
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
