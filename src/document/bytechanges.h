#pragma once

#include "core/spdimage.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace tessaro {

// One byte an edit changed: its value and mark before and after.
struct ByteChange {
    int index = 0;
    std::uint8_t byteBefore = 0;
    std::uint8_t byteAfter = 0;
    Mark markBefore = Mark::Plain;
    Mark markAfter = Mark::Plain;
};

// Collects what an edit changes while it runs: a document notes each byte (and
// its mark) before it first changes, so a step of the undo history holds only
// the bytes it touched, not the whole image before and after.
class ChangeJournal
{
public:
    // Starts an edit of an image of `size` bytes.
    void start(int size);
    [[nodiscard]] bool recording() const { return m_recording; }
    // Before byte `index` or its mark changes: its value and mark until now.
    void note(int index, std::uint8_t byte, Mark mark);
    // Ends the edit: the bytes whose value or mark now differs, in the order
    // they were first touched; `now` gives a byte's value and mark after it.
    using Current = std::function<std::pair<std::uint8_t, Mark>(int index)>;
    [[nodiscard]] std::vector<ByteChange> finish(const Current& now);

private:
    bool m_recording = false;
    std::vector<bool> m_noted;
    std::vector<ByteChange> m_changes;
};

// `later` happened after `into`: `into` becomes the change of both.
void MergeByteChanges(std::vector<ByteChange>& into, const std::vector<ByteChange>& later);

// What one edit of a document changed: each byte and mark it touched, before
// and after, and the document's other values (its `Values`, which hold a
// check mode) before and after.
template <typename Values>
struct DocumentChange {
    std::vector<ByteChange> bytes;
    Values before;
    Values after;
    [[nodiscard]] bool empty() const { return bytes.empty() && before == after; }
    [[nodiscard]] bool changesCheckMode() const { return before.checkMode != after.checkMode; }
    // `later` followed: this becomes the change of both.
    void absorb(const DocumentChange& later)
    {
        MergeByteChanges(bytes, later.bytes);
        after = later.after;
    }
};

}  // namespace tessaro
