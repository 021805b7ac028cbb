#include "document/moduledocument.h"

#include "decode/bytenames.h"

#include <algorithm>
#include <span>

namespace tessaro {

namespace {

std::size_t At(int index)
{
    return static_cast<std::size_t>(index);
}

}  // namespace

ModuleDocument::ModuleDocument(ImageData image, std::string caption)
    : m_image(std::move(image))
    , m_caption(std::move(caption))
{
    if (m_image.size < bytesPresent())
        m_image.size = bytesPresent();
    m_marks.assign(At(m_image.size), Mark::Plain);
    m_decode = DecodeModule(m_image.bytes);
}

std::uint8_t ModuleDocument::byte(int index) const
{
    return index >= 0 && index < bytesPresent() ? m_image.bytes[At(index)] : 0;
}

void ModuleDocument::setByte(int index, std::uint8_t value)
{
    fill(index, index, value);
}

void ModuleDocument::fill(int first, int last, std::uint8_t value)
{
    first = std::max(first, 0);
    last = std::min(last, bytesPresent() - 1);
    if (first > last)
        return;
    const std::vector<std::uint8_t> values(static_cast<std::size_t>(last - first + 1), value);
    writeBytes(first, values);
}

int ModuleDocument::writeBytes(int first, std::span<const std::uint8_t> values)
{
    if (first < 0 || first >= bytesPresent() || values.empty())
        return 0;
    const int last = std::min(first + static_cast<int>(values.size()) - 1, bytesPresent() - 1);

    const std::vector<std::uint8_t> bytesBefore = m_image.bytes;
    const std::vector<Mark> marksBefore = m_marks;
    std::vector<int> touched;
    for (int n = first; n <= last; ++n) {
        m_image.bytes[At(n)] = values[static_cast<std::size_t>(n - first)];
        m_marks[At(n)] = Mark::Edited;
        touched.push_back(n);
    }
    if (m_checkMode == CheckMode::Crc) {
        // Only blocks whose covered and stored bytes are all present are written.
        // A stored CRC byte is marked only when its value changed.
        for (const CrcBlock& block : FixCrcBlocks(std::span<std::uint8_t>(m_image.bytes))) {
            for (int n : {block.storedAt, block.storedAt + 1}) {
                if (m_image.bytes[At(n)] == bytesBefore[At(n)])
                    continue;
                m_marks[At(n)] = Mark::Edited;
                touched.push_back(n);
            }
        }
    }
    // The bytes whose value or mark the edit changed, each told once.
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::vector<int> changed;
    for (int n : touched) {
        if (m_image.bytes[At(n)] != bytesBefore[At(n)] || m_marks[At(n)] != marksBefore[At(n)]) {
            changed.push_back(n);
            m_journal.note(n, bytesBefore[At(n)], marksBefore[At(n)]);
        }
    }

    const bool wasModified = m_modified;
    m_modified = true;
    m_decode = DecodeModule(m_image.bytes);

    for (int n : changed) {
        for (ModuleDocumentObserver* o : m_observers)
            o->byteChanged(n);
    }
    if (!wasModified) {
        for (ModuleDocumentObserver* o : m_observers)
            o->captionChanged();
    }
    for (ModuleDocumentObserver* o : m_observers)
        o->decodeChanged();
    return last - first + 1;
}

void ModuleDocument::clearEditedMarks()
{
    for (std::size_t n = 0; n < m_marks.size(); ++n) {
        if (m_marks[n] != Mark::Edited)
            continue;
        m_journal.note(static_cast<int>(n), byte(static_cast<int>(n)), m_marks[n]);
        m_marks[n] = Mark::Plain;
        for (ModuleDocumentObserver* o : m_observers)
            o->byteChanged(static_cast<int>(n));
    }
}

void ModuleDocument::setCheckMode(CheckMode mode)
{
    // The 256-byte checksum does not exist here: anything but None keeps the CRCs.
    m_checkMode = mode == CheckMode::None ? CheckMode::None : CheckMode::Crc;
}

void ModuleDocument::beginChange()
{
    m_journal.start(size());
    m_valuesBefore = {m_checkMode, m_modified};
}

ModuleDocument::Change ModuleDocument::endChange()
{
    Change change;
    change.bytes = m_journal.finish([this](int n) { return std::pair{byte(n), mark(n)}; });
    change.before = m_valuesBefore;
    change.after = {m_checkMode, m_modified};
    return change;
}

void ModuleDocument::applyChange(const Change& change, bool undo)
{
    for (const ByteChange& c : change.bytes) {
        if (c.index < bytesPresent())
            m_image.bytes[At(c.index)] = undo ? c.byteBefore : c.byteAfter;
        m_marks[At(c.index)] = undo ? c.markBefore : c.markAfter;
    }
    const Values& target = undo ? change.before : change.after;
    if (change.changesCheckMode())
        m_checkMode = target.checkMode;
    const bool captionChanges = m_modified != target.modified;
    m_modified = target.modified;
    m_decode = DecodeModule(m_image.bytes);
    for (const ByteChange& c : change.bytes) {
        for (ModuleDocumentObserver* o : m_observers)
            o->byteChanged(c.index);
    }
    if (captionChanges) {
        for (ModuleDocumentObserver* o : m_observers)
            o->captionChanged();
    }
    for (ModuleDocumentObserver* o : m_observers)
        o->decodeChanged();
}

Mark ModuleDocument::mark(int index) const
{
    return index >= 0 && index < size() ? m_marks[At(index)] : Mark::Plain;
}

void ModuleDocument::setModified(bool modified)
{
    m_modified = modified;
    for (ModuleDocumentObserver* o : m_observers)
        o->captionChanged();
}

void ModuleDocument::setCaption(const std::string& caption)
{
    m_caption = caption;
    for (ModuleDocumentObserver* o : m_observers)
        o->captionChanged();
}

std::string ModuleDocument::byteName(int index) const
{
    // The document's size fixes its layout, whatever its type byte says now.
    MemoryType layout = MemoryType::Unknown;
    if (size() == 512)
        layout = MemoryType::Ddr4;
    else if (size() == 1024)
        layout = MemoryType::Ddr5;
    return ModuleByteName(layout, m_image.bytes, index);
}

void ModuleDocument::addObserver(ModuleDocumentObserver* observer)
{
    m_observers.push_back(observer);
}

void ModuleDocument::removeObserver(ModuleDocumentObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tessaro
