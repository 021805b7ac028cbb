#pragma once

#include <QKeyEvent>
#include <QLineEdit>
#include <QUndoCommand>

#include <functional>
#include <utility>

namespace tessaro {

// The id shared by the steps of the byte entry box, which may merge.
inline constexpr int kByteEntryStepId = 1;

// One step on a document window's undo stack: the state before and after an
// edit and the window's way of putting a state back and redrawing. It is
// pushed once its edit has happened, so the redo of the push does nothing.
// A step of the byte entry takes in the next one when that one starts at the
// byte where this one left off (typing byte after byte is one step).
template <typename Snapshot>
class SnapshotStep final : public QUndoCommand
{
public:
    // withCheckMode: whether putting a state back sets its check mode too.
    using Restore = std::function<void(const Snapshot& state, bool withCheckMode)>;

    SnapshotStep(const QString& text, Snapshot before, Snapshot after, bool changesCheckMode, Restore restore,
                 int entryByte = -1, int nextByte = -1)
        : QUndoCommand(text)
        , m_before(std::move(before))
        , m_after(std::move(after))
        , m_changesCheckMode(changesCheckMode)
        , m_restore(std::move(restore))
        , m_entryByte(entryByte)
        , m_nextByte(nextByte)
    {
    }

    [[nodiscard]] int id() const override { return m_entryByte >= 0 ? kByteEntryStepId : -1; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = dynamic_cast<const SnapshotStep*>(other);
        if (next == nullptr || next->m_entryByte < 0 || next->m_entryByte != m_nextByte)
            return false;
        m_after = next->m_after;
        m_nextByte = next->m_nextByte;
        m_changesCheckMode = m_changesCheckMode || next->m_changesCheckMode;
        return true;
    }

    void undo() override { m_restore(m_before, m_changesCheckMode); }

    void redo() override
    {
        if (m_done) {
            m_done = false;  // the push of an edit that has already happened
            return;
        }
        m_restore(m_after, m_changesCheckMode);
    }

private:
    Snapshot m_before;
    Snapshot m_after;
    bool m_changesCheckMode;
    Restore m_restore;
    int m_entryByte;
    int m_nextByte;
    bool m_done = true;
};

// Whether the undo or redo shortcut pressed in a hex box belongs to the
// document: it does unless the box has typed text of its own to take back.
// The box takes these shortcuts for itself otherwise (a ShortcutOverride it
// accepts), so Ctrl+Z right after Enter would do nothing.
inline bool ShortcutLeftToDocument(const QLineEdit* box, const QKeyEvent* key)
{
    return (key->matches(QKeySequence::Undo) && !box->isUndoAvailable()) ||
           (key->matches(QKeySequence::Redo) && !box->isRedoAvailable());
}

}  // namespace tessaro
