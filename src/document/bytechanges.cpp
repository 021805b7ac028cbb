#include "document/bytechanges.h"

#include <algorithm>
#include <tuple>

namespace tessaro {

void ChangeJournal::start(int size)
{
    m_recording = true;
    m_noted.assign(static_cast<std::size_t>(std::max(size, 0)), false);
    m_changes.clear();
}

void ChangeJournal::note(int index, std::uint8_t byte, Mark mark)
{
    if (!m_recording || index < 0 || index >= static_cast<int>(m_noted.size()) || m_noted[static_cast<std::size_t>(index)])
        return;
    m_noted[static_cast<std::size_t>(index)] = true;
    m_changes.push_back({index, byte, byte, mark, mark});
}

std::vector<ByteChange> ChangeJournal::finish(const Current& now)
{
    m_recording = false;
    std::vector<ByteChange> changed;
    for (ByteChange change : m_changes) {
        std::tie(change.byteAfter, change.markAfter) = now(change.index);
        if (change.byteAfter != change.byteBefore || change.markAfter != change.markBefore)
            changed.push_back(change);
    }
    m_changes.clear();
    return changed;
}

void MergeByteChanges(std::vector<ByteChange>& into, const std::vector<ByteChange>& later)
{
    for (const ByteChange& next : later) {
        auto it = std::find_if(into.begin(), into.end(), [&](const ByteChange& c) { return c.index == next.index; });
        if (it == into.end()) {
            into.push_back(next);
        } else {
            it->byteAfter = next.byteAfter;
            it->markAfter = next.markAfter;
        }
    }
}

}  // namespace tessaro
