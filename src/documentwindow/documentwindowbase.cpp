#include "documentwindow/documentwindowbase.h"

#include "documentwindow/clipboard.h"
#include "files/qttext.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace tessaro {

namespace {
const QLatin1String kModifiedPlaceholder("[*]");
// The id shared by the steps of the byte entry, which may merge.
constexpr int kByteEntryStepId = 1;

// Whether the undo or redo shortcut pressed in a hex box belongs to the
// document: it does unless the box has typed text of its own to take back.
// The box takes these shortcuts for itself otherwise (a ShortcutOverride it
// accepts), so Ctrl+Z right after Enter would do nothing.
bool ShortcutLeftToDocument(const QLineEdit* box, const QKeyEvent* key)
{
    return (key->matches(QKeySequence::Undo) && !box->isUndoAvailable()) ||
           (key->matches(QKeySequence::Redo) && !box->isRedoAvailable());
}
}  // namespace

// One step on a window's undo stack: an edit its document recorded. It is
// pushed once its edit has happened, so the redo of the push does nothing.
// A step of the byte entry takes in the next one when that one starts at the
// byte where this one left off (typing byte after byte is one step).
class EditCommand final : public QUndoCommand
{
public:
    EditCommand(DocumentWindowBase& window, const QString& text, std::unique_ptr<RecordedEdit> edit, int entryByte,
                int nextByte)
        : QUndoCommand(text)
        , m_window(window)
        , m_edit(std::move(edit))
        , m_entryByte(entryByte)
        , m_nextByte(nextByte)
    {
    }

    [[nodiscard]] int id() const override { return m_entryByte >= 0 ? kByteEntryStepId : -1; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const EditCommand*>(other);
        if (next == nullptr || next->m_entryByte < 0 || next->m_entryByte != m_nextByte)
            return false;
        m_edit->absorb(*next->m_edit);
        m_nextByte = next->m_nextByte;
        return true;
    }

    void undo() override { m_window.applyEdit(*m_edit, true); }

    void redo() override
    {
        if (m_done) {
            m_done = false;  // the push of an edit that has already happened
            return;
        }
        m_window.applyEdit(*m_edit, false);
    }

private:
    DocumentWindowBase& m_window;
    std::unique_ptr<RecordedEdit> m_edit;
    int m_entryByte;
    int m_nextByte;
    bool m_done = true;
};

QString ShownWindowTitle(const QWidget* window)
{
    // Each run of placeholders shows half of them as they are; an odd one
    // left over is the modified mark.
    const QString title = window->windowTitle();
    const int width = kModifiedPlaceholder.size();
    QString shown;
    int from = 0;
    for (int at = title.indexOf(kModifiedPlaceholder); at >= 0; at = title.indexOf(kModifiedPlaceholder, from)) {
        shown += title.mid(from, at - from);
        int run = 0;
        for (from = at; title.mid(from, width) == kModifiedPlaceholder; from += width)
            ++run;
        shown += QString(kModifiedPlaceholder).repeated(run / 2);
        if (run % 2 == 1 && window->isWindowModified())
            shown += QLatin1Char('*');
    }
    return shown + title.mid(from);
}

DocumentWindowBase::DocumentWindowBase(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_undo = new QUndoStack(this);
    connect(m_undo, &QUndoStack::indexChanged, this, &DocumentWindowBase::followCleanState);
}

DocumentWindowBase::~DocumentWindowBase()
{
    // The stack empties itself when QWidget deletes its children, after the
    // window's own part is gone: it must no longer call back.
    m_undo->disconnect(this);
}

// --- Undo and redo ---

void DocumentWindowBase::recordStep(const QString& text, const std::function<void()>& change)
{
    pushEdit(text, change, -1, -1);
}

void DocumentWindowBase::recordByteEntry(int index, int nextIndex, const std::function<void()>& change)
{
    pushEdit(ToQString("輸入位元組"), change, index, nextIndex);
}

void DocumentWindowBase::pushEdit(const QString& text, const std::function<void()>& change, int entryByte, int nextByte)
{
    if (m_recording || m_restoring) {
        change();  // part of a step already being recorded
        return;
    }
    withdrawPasteNote();  // an edit after a paste
    m_recording = true;
    beginEdit();
    change();
    if (std::unique_ptr<RecordedEdit> edit = endEdit())
        m_undo->push(new EditCommand(*this, text, std::move(edit), entryByte, nextByte));
    m_recording = false;
}

void DocumentWindowBase::applyEdit(RecordedEdit& edit, bool undo)
{
    m_restoring = true;
    edit.apply(undo);
    m_restoring = false;
    editApplied();
}

void DocumentWindowBase::markClean()
{
    m_undo->setClean();
}

void DocumentWindowBase::followCleanState()
{
    if (m_recording)
        return;  // a new step: its change has set the flag as it does
    const int clean = m_undo->cleanIndex();
    const int index = m_undo->index();
    if (index == clean)
        setDocumentModified(false);
    else if (clean < 0 || index < clean)
        setDocumentModified(true);  // before the saved state: the file holds what was undone
    // Past the clean state the flag is the one the step left.
}

void DocumentWindowBase::showCaption()
{
    // Qt shows the last "[*]" as "*" while the window is modified; one that is
    // part of the caption itself is doubled so that it shows as it is.
    QString title = ToQString(documentCaption());
    title.replace(kModifiedPlaceholder, QStringLiteral("[*][*]"));
    setWindowTitle(title + kModifiedPlaceholder);
    const bool modified = documentModified();
    setWindowModified(modified);
    if (!modified)
        withdrawPasteNote();  // saved
    // A save clears the flag outside any step: the stack is clean there; a
    // flag set outside any step (an imported dump) is no clean state.
    if (!m_recording && !m_restoring) {
        if (modified && m_undo->isClean())
            m_undo->resetClean();
        else if (!modified && !m_undo->isClean())
            m_undo->setClean();
    }
}

void DocumentWindowBase::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshPending = false;
            refreshNow();
        },
        Qt::QueuedConnection);
}

// --- Status notes and the clipboard ---

void DocumentWindowBase::showPasteNote(const QString& note)
{
    m_pasteNote = note;
    emit statusMessage(m_pasteNote);
}

void DocumentWindowBase::withdrawPasteNote()
{
    if (m_pasteNote.isEmpty())
        return;
    emit statusMessageWithdrawn(m_pasteNote);
    m_pasteNote.clear();
}

void DocumentWindowBase::copySelection()
{
    emit statusMessage(CopyBytesToClipboard(selectedBytes()));
}

void DocumentWindowBase::pasteClipboard()
{
    const ClipboardBytes read = ReadClipboardBytes();
    if (!read.problem.isEmpty()) {
        emit statusMessage(read.problem);
        return;
    }
    paste(selectionStart(), read.bytes, read.notKept);
}

// --- Hex boxes and closing ---

QLineEdit* DocumentWindowBase::buildHexBox(QWidget* parent, const QString& objectName, const QString& pattern)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setFixedWidth(48);
    box->installEventFilter(this);
    // Hexadecimal digits only, also when text is pasted or dropped in.
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), box));
    m_hexBoxes.push_back(box);
    return box;
}

DocumentWindowBase::SelectedBytePanel DocumentWindowBase::buildSelectedBytePanel(
    const QString& caption, int captionWidth, const std::function<QLineEdit*(QWidget* panel)>& entry)
{
    SelectedBytePanel p;
    p.panel = new QWidget(this);
    auto* row = new QHBoxLayout(p.panel);
    row->setContentsMargins(0, 0, 0, 0);
    p.byteCaption = new QLabel(caption, p.panel);
    p.byteCaption->setObjectName(QStringLiteral("byteCaption"));
    p.byteCaption->setMinimumWidth(captionWidth);
    p.description = new QLabel(p.panel);
    p.description->setObjectName(QStringLiteral("descriptionCaption"));
    p.description->setMinimumWidth(230);
    auto* valueCaption = new QLabel(QStringLiteral("Value"), p.panel);
    valueCaption->setObjectName(QStringLiteral("valueLabel"));
    p.value = new QLabel(QStringLiteral("00"), p.panel);
    p.value->setObjectName(QStringLiteral("valueCaption"));
    p.value->setMinimumWidth(28);
    p.value->setAlignment(Qt::AlignCenter);
    for (QLabel* sunken : {p.description, p.value}) {
        sunken->setFrameShape(QFrame::StyledPanel);
        sunken->setFrameShadow(QFrame::Sunken);
    }
    p.entry = entry(p.panel);
    row->addWidget(p.byteCaption);
    row->addWidget(p.description, 1);
    row->addWidget(valueCaption);
    row->addWidget(p.value);
    row->addWidget(p.entry);
    return p;
}

QLabel* DocumentWindowBase::addFillRow(QBoxLayout* layout, QWidget* frame, const QString& caption, QLineEdit* box)
{
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption, frame);
    label->setObjectName(QStringLiteral("fillCaption"));
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    row->addStretch(1);
    layout->addLayout(row);
    return label;
}

QLabel* DocumentWindowBase::buildCheckStateLabel(QWidget* frame)
{
    auto* label = new QLabel(frame);
    label->setObjectName(QStringLiteral("checkState"));
    QPalette bad = label->palette();
    bad.setColor(QPalette::WindowText, QColor(200, 0, 0));
    label->setPalette(bad);
    label->hide();
    return label;
}

bool DocumentWindowBase::isHexBox(const QObject* object) const
{
    return std::find(m_hexBoxes.begin(), m_hexBoxes.end(), object) != m_hexBoxes.end();
}

bool DocumentWindowBase::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && isHexBox(watched) &&
        ShortcutLeftToDocument(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;  // not taken by the box: the Edit menu's shortcut runs
    }
    return QWidget::eventFilter(watched, event);
}

void DocumentWindowBase::closeEvent(QCloseEvent* event)
{
    if (documentModified()) {
        QMessageBox prompt(QMessageBox::Question, ShownWindowTitle(this), ToQString(" SPD 檔案已被修改 , 是否儲存該檔案 ?"),
                           QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        const int answer = prompt.exec();
        // Cancel keeps the window and its image; so does a Yes whose save
        // did not happen (refused, cancelled or failed).
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !(m_save && m_save()))) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

}  // namespace tessaro
