#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QUndoStack;

namespace tessaro {

// One recorded edit of a window's document: what its document (and editor)
// noted while it ran, able to put the document back before or after it.
class RecordedEdit
{
public:
    virtual ~RecordedEdit() = default;
    virtual void apply(bool undo) = 0;
    // `later`, an edit of the same window, followed: this becomes both.
    virtual void absorb(const RecordedEdit& later) = 0;
};

// A RecordedEdit of `Target` (a document editor, a window), whose
// applyStep(step, undo) puts a `Step` back; the step's absorb() merges.
template <typename Target, typename Step>
class RecordedStep final : public RecordedEdit
{
public:
    RecordedStep(Target& target, Step step) : m_target(target), m_step(std::move(step)) {}
    void apply(bool undo) override { m_target.applyStep(m_step, undo); }
    void absorb(const RecordedEdit& later) override
    {
        m_step.absorb(static_cast<const RecordedStep&>(later).m_step);
    }

private:
    Target& m_target;
    Step m_step;
};

// What both document windows share besides their layout: the caption with
// Qt's modified mark, the undo history fed by the document's own steps, the
// clean state, the close prompt, the clipboard, the undo shortcuts of the hex
// boxes and the status messages. A window of one image size adds its layout
// and tells this part how its document records an edit.
class DocumentWindowBase : public QWidget
{
    Q_OBJECT
public:
    ~DocumentWindowBase() override;

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
    // The same for a change of byte `index` by the byte entry: the step
    // merges with the step before it when that one left off at `index` (its
    // own nextIndex), so typing byte after byte is one step.
    void recordByteEntry(int index, int nextIndex, const std::function<void()>& change);
    // The bytes now are those of the file (a load or a save).
    void markClean();

    // Run by the close prompt's Yes; returns whether the image was saved.
    void setSaveHandler(std::function<bool()> save) { m_save = std::move(save); }

    // Redraws what changed since the last refresh; handlers call it
    // themselves, other callers' changes are drawn from the event loop.
    virtual void refreshNow() = 0;

    // --- The clipboard ---
    // Bytes written from `from` on as one edit; the status message says how
    // many were written or dropped, or why none was.
    void pasteBytes(int from, std::span<const std::uint8_t> bytes) { paste(from, bytes, 0); }
    void copySelection();   // the selected bytes to the clipboard as "80 08 08 0E"
    void pasteClipboard();  // the clipboard's hex text from the selected byte on
    [[nodiscard]] virtual std::vector<std::uint8_t> selectedBytes() const = 0;
    virtual void selectAllBytes() = 0;
    // Empty while the image's check bytes agree with it; otherwise the note a
    // read or an open gives, naming the stored and computed values.
    [[nodiscard]] virtual QString checkMismatchText() const = 0;

signals:
    void statusMessage(const QString& text);  // for the main window's status bar
    // A message of statusMessage no longer holds (the paste note after the
    // next edit or a save): the status bar drops it if it still shows it.
    void statusMessageWithdrawn(const QString& text);

protected:
    explicit DocumentWindowBase(QWidget* parent);

    // --- What the window of one size tells this part ---
    // The document's modified flag and its caption without the mark.
    [[nodiscard]] virtual bool documentModified() const = 0;
    virtual void setDocumentModified(bool modified) = 0;
    [[nodiscard]] virtual std::string documentCaption() const = 0;
    // Starts noting an edit; endEdit() returns it, or nothing when nothing changed.
    virtual void beginEdit() = 0;
    [[nodiscard]] virtual std::unique_ptr<RecordedEdit> endEdit() = 0;
    // After an undo or redo has put the document back: redraw.
    virtual void editApplied() = 0;
    // The first selected byte, where a paste from the clipboard starts.
    [[nodiscard]] virtual int selectionStart() const = 0;
    // Writes the pasted bytes as one step, selects them and says how many
    // were written; `notKept` bytes of the text were beyond what was read.
    virtual void paste(int from, std::span<const std::uint8_t> bytes, std::uint64_t notKept) = 0;

    // Runs refreshNow from the event loop, once for any number of changes.
    void scheduleRefresh();
    // The caption or the modified flag changed (a document observer's call).
    void showCaption();
    // The status note after a paste, withdrawn at the next edit or save.
    void showPasteNote(const QString& note);
    // A hex box (byte entry, fill): `pattern` for its validator; its undo and
    // redo shortcuts go to the document while it has no typing of its own.
    QLineEdit* buildHexBox(QWidget* parent, const QString& objectName, const QString& pattern);
    [[nodiscard]] bool isHexBox(const QObject* object) const;
    // The row above the grid: the selected byte's caption (`caption`, at
    // least `captionWidth` wide), its description, "Value" with the value,
    // and the byte entry box, built with the panel as its parent by `entry`.
    struct SelectedBytePanel {
        QWidget* panel = nullptr;
        QLabel* byteCaption = nullptr;
        QLabel* description = nullptr;
        QLabel* value = nullptr;
        QLineEdit* entry = nullptr;
    };
    SelectedBytePanel buildSelectedBytePanel(const QString& caption, int captionWidth,
                                             const std::function<QLineEdit*(QWidget* panel)>& entry);
    // The fill row under the grid: `caption` (object name "fillCaption") for
    // `box`, added to `layout`; returns the caption.
    QLabel* addFillRow(QBoxLayout* layout, QWidget* frame, const QString& caption, QLineEdit* box);
    // The label of the check frame that names stored and computed check
    // values in red while they differ; hidden until then.
    static QLabel* buildCheckStateLabel(QWidget* frame);
    // Undo shortcuts of the hex boxes; a window's own filter calls it first.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class EditCommand;
    void pushEdit(const QString& text, const std::function<void()>& change, int entryByte, int nextByte);
    void applyEdit(RecordedEdit& edit, bool undo);
    void followCleanState();  // the modified flag after an undo or redo
    void withdrawPasteNote();

    QUndoStack* m_undo = nullptr;
    std::function<bool()> m_save;
    std::vector<QLineEdit*> m_hexBoxes;
    bool m_refreshPending = false;
    bool m_recording = false;  // a step's change is running
    bool m_restoring = false;  // an undo or redo is putting a step back
    QString m_pasteNote;       // the paste note the status bar shows, until the next edit or save
};

// The title as the window's frame shows it: Qt's "[*]" placeholder replaced
// by "*" while the window is modified, and by nothing otherwise.
[[nodiscard]] QString ShownWindowTitle(const QWidget* window);

}  // namespace tessaro
