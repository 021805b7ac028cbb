#include "document/spddocument.h"

#include "core/checks.h"
#include "core/hex.h"
#include "core/memorytype.h"
#include "decode/decoders.h"
#include "document/settle.h"

#include <algorithm>

namespace tessaro {

namespace {
std::size_t At(int index)
{
    return static_cast<std::size_t>(index & 0xFF);
}

// What decoding every byte of a blank image gives a view and a context that
// nothing has decoded into yet: every new window starts this way, so it is
// worked out once.
struct BlankDecode {
    DecodedView view;
    DecodeContext context;
};

const BlankDecode& FreshBlankDecode()
{
    static const BlankDecode blank = [] {
        BlankDecode result;
        SpdImage image{};
        image[kChecksumByte] = Checksum63(image);
        DecodeAll(image, result.view, result.context);
        return result;
    }();
    return blank;
}

bool IsFresh(const DecodeContext& context)
{
    const DecodeContext fresh;
    return context.currentMemoryType == fresh.currentMemoryType && context.currentModuleForm == fresh.currentModuleForm;
}
}  // namespace

SpdDocument::SpdDocument(DecodeContext& context, std::string caption)
    : m_context(context)
    , m_descriptions(&DescriptionTableFor(MemoryTypeCode::Ddr))
    , m_caption(std::move(caption))
{
    m_panel.description = (*m_descriptions)[0];
}

void SpdDocument::open()
{
    for (int n = 0; n < kSpdSize; ++n)
        setByte(n, 0);
    m_descriptions = &DescriptionTableFor(MemoryTypeCode::Ddr);
    m_typeCode = MemoryTypeCode::Sdr;
    showInPanel(0);
    updateChecksum();
    if (m_viewUntouched && IsFresh(m_context)) {
        const BlankDecode& blank = FreshBlankDecode();
        m_view = blank.view;
        m_context = blank.context;
        m_viewUntouched = false;
        notify(&SpdDocumentObserver::decodedViewChanged);
        return;
    }
    decodeAll();
}

void SpdDocument::setByte(int index, std::uint8_t value)
{
    m_journal.note(index & 0xFF, m_image[At(index)], m_marks[At(index)]);
    m_image[At(index)] = value;
    notify(&SpdDocumentObserver::byteChanged, index);
}

std::uint8_t SpdDocument::byte(int index) const
{
    return m_image[At(index)];
}

void SpdDocument::setMemoryTypeCode(MemoryTypeCode code)
{
    m_typeCode = code;
    m_descriptions = &DescriptionTableFor(code);
    notify(&SpdDocumentObserver::typeChanged);
    showInPanel(0);
}

void SpdDocument::updateChecksum()
{
    setByte(63, Checksum63(m_image));
}

void SpdDocument::updateCrc()
{
    const std::uint16_t crc = SpdCrc(m_image);
    setByte(126, static_cast<std::uint8_t>(crc & 0xFF));
    setByte(127, static_cast<std::uint8_t>(crc >> 8));
    m_view.crcValue = WordToHex(crc);
    setMark(126, Mark::Edited);
    setMark(127, Mark::Edited);
    notify(&SpdDocumentObserver::decodedViewChanged);
}

void SpdDocument::markGenerated(int index)
{
    setMark(index, Mark::Generated);
}

void SpdDocument::setModified(bool modified)
{
    m_modified = modified;
    const bool marked = !m_caption.empty() && m_caption.back() == '*';
    if (modified && !marked)
        m_caption += '*';
    else if (!modified && marked)
        m_caption.pop_back();
    notify(&SpdDocumentObserver::captionChanged);
}

void SpdDocument::decodeByte(int index)
{
    tessaro::DecodeByte(m_image, m_view, m_context, index);
    m_viewUntouched = false;
    notify(&SpdDocumentObserver::decodedViewChanged);
}

SpdDocument::Values SpdDocument::values() const
{
    return {m_typeCode, m_checkMode, m_view.crcValue, m_modified};
}

void SpdDocument::beginChange()
{
    m_journal.start(kSpdSize);
    m_valuesBefore = values();
}

SpdDocument::Change SpdDocument::endChange()
{
    Change change;
    change.bytes = m_journal.finish([this](int n) { return std::pair{m_image[At(n)], m_marks[At(n)]}; });
    change.before = m_valuesBefore;
    change.after = values();
    return change;
}

void SpdDocument::applyChange(const Change& change, bool undo)
{
    for (const ByteChange& c : change.bytes) {
        const std::uint8_t value = undo ? c.byteBefore : c.byteAfter;
        const Mark mark = undo ? c.markBefore : c.markAfter;
        if (m_image[At(c.index)] != value)
            setByte(c.index, value);
        if (m_marks[At(c.index)] != mark)
            setMark(c.index, mark);
    }
    const Values& target = undo ? change.before : change.after;
    if (m_typeCode != target.typeCode) {
        m_typeCode = target.typeCode;
        m_descriptions = &DescriptionTableFor(m_typeCode);
        notify(&SpdDocumentObserver::typeChanged);
    }
    if (change.changesCheckMode())
        setCheckMode(target.checkMode);
    if (m_modified != target.modified)
        setModified(target.modified);
    settleView();
    // The CRC item of a window showing the other panel pair is the one the
    // last CRC upkeep wrote; the DDR3 pair decodes it from bytes 126-127.
    if (!m_view.ddr3PanelsShown)
        m_view.crcValue = target.crcValue;
}

struct SpdDocument::Settled {
    DecodeContext context;
    DecodedView view;
    MemoryTypeCode typeCode = MemoryTypeCode::Sdr;
    CheckMode checkMode = CheckMode::Checksum;
};

SpdDocument::Settled SpdDocument::SettledOn(const SpdImage& image)
{
    Settled settled;
    SpdDocument fresh(settled.context);
    OpenAndSettle(fresh, image);
    settled.view = fresh.m_view;
    settled.typeCode = fresh.m_typeCode;
    settled.checkMode = fresh.m_checkMode;
    return settled;
}

void SpdDocument::takeView(const Settled& settled)
{
    m_view = settled.view;
    m_context = settled.context;
    m_viewUntouched = false;
    notify(&SpdDocumentObserver::decodedViewChanged);
}

void SpdDocument::settleView()
{
    takeView(SettledOn(m_image));
}

void SpdDocument::loadWhole(const SpdImage& image)
{
    const Settled settled = SettledOn(image);
    for (int n = 0; n < kSpdSize; ++n) {
        if (m_image[At(n)] != image[At(n)])
            setByte(n, image[At(n)]);
        if (m_marks[At(n)] != Mark::Plain)
            setMark(n, Mark::Plain);
    }
    setCheckMode(settled.checkMode);
    m_typeCode = settled.typeCode;
    m_descriptions = &DescriptionTableFor(m_typeCode);
    notify(&SpdDocumentObserver::typeChanged);
    showInPanel(0);
    takeView(settled);
}

void SpdDocument::decodeAll()
{
    // Decoding every byte depends only on the bytes and on the view and the
    // context it starts from: the same start gives the last result again (a
    // key that stores no byte decodes everything once more).
    DecodeAllPass& last = m_lastDecodeAll;
    if (!last.valid || last.image != m_image || last.contextIn != m_context || last.viewIn != m_view) {
        last.image = m_image;
        last.contextIn = m_context;
        last.viewIn = m_view;
        for (int n = 0; n < kSpdSize; ++n)
            tessaro::DecodeByte(m_image, m_view, m_context, n);
        last.contextOut = m_context;
        last.viewOut = m_view;
        last.valid = true;
    } else {
        m_view = last.viewOut;
        m_context = last.contextOut;
    }
    m_viewUntouched = false;
    notify(&SpdDocumentObserver::decodedViewChanged);
}

void SpdDocument::load(const SpdImage& image)
{
    for (int n = 0; n < kSpdSize; ++n) {
        setByte(n, image[static_cast<std::size_t>(n)]);
        decodeByte(n);
    }
    applyLoadTypeRule();
}

void SpdDocument::applyLoadTypeRule()
{
    // The rule always names the mode: the checksum unless byte 2 calls for the CRC.
    const LoadTypeRule rule = LoadTypeRuleFor(m_image[2]);
    setCheckMode(rule.checkMode);
    if (rule.typeCode)
        setMemoryTypeCode(*rule.typeCode);
}

void SpdDocument::setMark(int index, Mark mark)
{
    m_journal.note(index & 0xFF, m_image[At(index)], m_marks[At(index)]);
    m_marks[At(index)] = mark;
    notify(&SpdDocumentObserver::markChanged, index);
}

void SpdDocument::clearEditedMarks()
{
    for (int n = 0; n < kSpdSize; ++n) {
        if (m_marks[At(n)] == Mark::Edited)
            setMark(n, Mark::Plain);
    }
}

void SpdDocument::setCaption(const std::string& caption)
{
    m_caption = caption;
    if (m_modified)
        m_caption += '*';
    notify(&SpdDocumentObserver::captionChanged);
}

std::string SpdDocument::captionWithoutMark() const
{
    if (!m_caption.empty() && m_caption.back() == '*')
        return m_caption.substr(0, m_caption.size() - 1);
    return m_caption;
}

void SpdDocument::setCheckMode(CheckMode mode)
{
    if (mode == m_checkMode)
        return;
    m_checkMode = mode;
    notify(&SpdDocumentObserver::checkModeChanged);
}

const std::string& SpdDocument::description(int index) const
{
    return (*m_descriptions)[At(index)];
}

void SpdDocument::showInPanel(int index, bool spaced)
{
    m_panel.byteCaption = spaced ? "Byte " : "Byte";
    m_panel.byteCaption += std::to_string(index);
    m_panel.description = description(index);
    m_panel.value = ByteToHex(byte(index));
    notify(&SpdDocumentObserver::selectedPanelChanged);
}

void SpdDocument::addObserver(SpdDocumentObserver* observer)
{
    m_observers.push_back(observer);
}

void SpdDocument::removeObserver(SpdDocumentObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace tessaro
