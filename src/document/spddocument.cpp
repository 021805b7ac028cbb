#include "document/spddocument.h"

#include "core/checks.h"
#include "core/hex.h"
#include "core/memorytype.h"
#include "decode/bytenames.h"
#include "decode/decoders.h"
#include "decode/spdbytes.h"
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

CheckMode ImageRules::keptMode(CheckMode mode) const
{
    // The 256-byte checksum does not exist in a larger image: anything but None keeps the CRCs.
    if (isStandard())
        return mode;
    return mode == CheckMode::None ? CheckMode::None : CheckMode::Crc;
}

namespace {
constexpr int kDateCodeByte = 93;  // and 94: the week
constexpr int kSecurityByte = 127;
constexpr int kPasswordBytes = 64;

bool IsDdr3Image(std::span<const std::uint8_t> bytes)
{
    return bytes.size() > 2 && MemoryTypeOf(bytes[2]) == MemoryType::Ddr3;
}
}  // namespace

std::optional<int> ImageRules::dateCodeByte(std::span<const std::uint8_t> bytes) const
{
    if (!isStandard())
        return std::nullopt;
    if (IsDdr3Image(bytes))
        return IdentityLayoutOf(SpdLayout{MemoryType::Ddr3}).value().date;
    return kDateCodeByte;
}

std::optional<int> ImageRules::securityByte(std::span<const std::uint8_t> bytes) const
{
    if (!isStandard() || IsDdr3Image(bytes))
        return std::nullopt;
    return kSecurityByte;
}

const ImageRules& ImageRulesFor(int size)
{
    static const ImageRules standard{kSpdSize, MemoryType::Unknown, ImageDecoder::PanelPair, false, kPasswordBytes};
    static const ImageRules ddr4{512, MemoryType::Ddr4, ImageDecoder::Module, true, 0};
    static const ImageRules ddr5{1024, MemoryType::Ddr5, ImageDecoder::Module, true, 0};
    if (size == 512)
        return ddr4;
    if (size == 1024)
        return ddr5;
    return standard;
}

SpdDocument::SpdDocument(DecodeContext& context, std::string caption)
    : m_rules(&ImageRulesFor(kSpdSize))
    , m_context(context)
    , m_data{std::vector<std::uint8_t>(kSpdSize, 0), kSpdSize}
    , m_marks(kSpdSize, Mark::Plain)
    , m_descriptions(&DescriptionTableFor(MemoryTypeCode::Ddr))
    , m_caption(std::move(caption))
{
    m_panel.description = (*m_descriptions)[0];
}

SpdDocument::SpdDocument(ImageData image, std::string caption)
    : m_rules(&ImageRulesFor(image.size))
    , m_context(m_ownContext)
    , m_data(std::move(image))
    , m_descriptions(&DescriptionTableFor(MemoryTypeCode::Ddr))
    , m_checkMode(CheckMode::Crc)
    , m_caption(std::move(caption))
{
    if (m_data.size < bytesPresent())
        m_data.size = bytesPresent();
    m_marks.assign(static_cast<std::size_t>(std::max(m_data.size, kSpdSize)), Mark::Plain);
    const std::size_t shared = std::min(m_data.bytes.size(), m_image.size());
    std::copy_n(m_data.bytes.begin(), shared, m_image.begin());
    m_panel.description = (*m_descriptions)[0];
    m_decode = DecodeModule(m_data.bytes);
}

void SpdDocument::store(int index, std::uint8_t value)
{
    m_data.bytes[static_cast<std::size_t>(index)] = value;
    if (index < kSpdSize)
        m_image[static_cast<std::size_t>(index)] = value;
}

Mark SpdDocument::mark(int index) const
{
    if (m_rules->isStandard())
        return m_marks[At(index)];
    return index >= 0 && index < size() ? m_marks[static_cast<std::size_t>(index)] : Mark::Plain;
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
    store(index & 0xFF, value);
    notify(&SpdDocumentObserver::byteChanged, index);
}

std::uint8_t SpdDocument::byte(int index) const
{
    if (m_rules->isStandard())
        return m_image[At(index)];
    return index >= 0 && index < bytesPresent() ? m_data.bytes[static_cast<std::size_t>(index)] : 0;
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

void SpdDocument::storeModified(bool modified)
{
    m_modified = modified;
    const bool marked = !m_caption.empty() && m_caption.back() == '*';
    if (modified && !marked)
        m_caption += '*';
    else if (!modified && marked)
        m_caption.pop_back();
}

void SpdDocument::setModified(bool modified)
{
    storeModified(modified);
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
    m_journal.start(size());
    m_valuesBefore = values();
}

SpdDocument::Change SpdDocument::endChange()
{
    Change change;
    change.bytes = m_journal.finish([this](int n) { return std::pair{byte(n), mark(n)}; });
    change.before = m_valuesBefore;
    change.after = values();
    return change;
}

void SpdDocument::applyChange(const Change& change, bool undo)
{
    if (m_rules->decoder == ImageDecoder::Module) {
        for (const ByteChange& c : change.bytes) {
            if (c.index < bytesPresent())
                store(c.index, undo ? c.byteBefore : c.byteAfter);
            m_marks[static_cast<std::size_t>(c.index)] = undo ? c.markBefore : c.markAfter;
        }
        const Values& target = undo ? change.before : change.after;
        if (change.changesCheckMode())
            m_checkMode = target.checkMode;
        const bool captionChanges = m_modified != target.modified;
        storeModified(target.modified);
        m_decode = DecodeModule(m_data.bytes);
        for (const ByteChange& c : change.bytes)
            notify(&SpdDocumentObserver::byteChanged, c.index);
        if (captionChanges)
            notify(&SpdDocumentObserver::captionChanged);
        notify(&SpdDocumentObserver::decodeChanged);
        return;
    }
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
    if (!m_rules->isStandard()) {
        for (int n = 0; n < size(); ++n) {
            Mark& mark = m_marks[static_cast<std::size_t>(n)];
            if (mark != Mark::Edited)
                continue;
            m_journal.note(n, byte(n), mark);
            mark = Mark::Plain;
            notify(&SpdDocumentObserver::byteChanged, n);
        }
        return;
    }
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
    mode = m_rules->keptMode(mode);
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

void SpdDocument::editByte(int index, std::uint8_t value)
{
    fill(index, index, value);
}

void SpdDocument::fill(int first, int last, std::uint8_t value)
{
    first = std::max(first, 0);
    last = std::min(last, bytesPresent() - 1);
    if (first > last)
        return;
    const std::vector<std::uint8_t> values(static_cast<std::size_t>(last - first + 1), value);
    writeBytes(first, values);
}

int SpdDocument::writeBytes(int first, std::span<const std::uint8_t> values)
{
    if (first < 0 || first >= bytesPresent() || values.empty())
        return 0;
    const int last = std::min(first + static_cast<int>(values.size()) - 1, bytesPresent() - 1);
    const auto at = [](int n) { return static_cast<std::size_t>(n); };

    const std::vector<std::uint8_t> bytesBefore = m_data.bytes;
    const std::vector<Mark> marksBefore = m_marks;
    std::vector<int> touched;
    for (int n = first; n <= last; ++n) {
        store(n, values[at(n - first)]);
        m_marks[at(n)] = Mark::Edited;
        touched.push_back(n);
    }
    if (m_rules->editsKeepCrcBlocks && m_checkMode == CheckMode::Crc) {
        // Only blocks whose covered and stored bytes are all present are written.
        // A stored CRC byte is marked only when its value changed.
        std::vector<std::uint8_t> fixed = m_data.bytes;
        const std::vector<CrcBlock> blocks = FixCrcBlocks(std::span<std::uint8_t>(fixed));
        for (int n = 0; n < bytesPresent(); ++n) {
            if (fixed[at(n)] != m_data.bytes[at(n)])
                store(n, fixed[at(n)]);
        }
        for (const CrcBlock& block : blocks) {
            for (int n : {block.storedAt, block.storedAt + 1}) {
                if (fixed[at(n)] == bytesBefore[at(n)])
                    continue;
                m_marks[at(n)] = Mark::Edited;
                touched.push_back(n);
            }
        }
    }
    // The bytes whose value or mark the edit changed, each told once.
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::vector<int> changed;
    for (int n : touched) {
        if (m_data.bytes[at(n)] != bytesBefore[at(n)] || m_marks[at(n)] != marksBefore[at(n)]) {
            changed.push_back(n);
            m_journal.note(n, bytesBefore[at(n)], marksBefore[at(n)]);
        }
    }

    const bool wasModified = m_modified;
    storeModified(true);
    m_decode = DecodeModule(m_data.bytes);
    for (int n : changed)
        notify(&SpdDocumentObserver::byteChanged, n);
    if (!wasModified)
        notify(&SpdDocumentObserver::captionChanged);
    notify(&SpdDocumentObserver::decodeChanged);
    return last - first + 1;
}

std::string SpdDocument::byteName(int index) const
{
    // The document's size fixes its layout, whatever its type byte says now.
    return ModuleByteName(m_rules->layout, m_data.bytes, index);
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
