#include "document/documenteditor.h"

#include "core/checks.h"
#include "core/hex.h"
#include "core/memorytype.h"

#include <algorithm>

namespace tessaro {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}
}  // namespace

DocumentEditor::DocumentEditor(SpdDocument& document, AppValues& app)
    : m_doc(document)
    , m_app(app)
{
}

void DocumentEditor::open(const Today& today)
{
    m_doc.open();
    m_current = 0;
    const int dateByte = m_doc.rules().dateCodeByte(m_doc.bytes()).value_or(0);
    m_savedDateYear = m_doc.byte(dateByte);
    m_savedDateWeek = m_doc.byte(dateByte + 1);
    m_savedSecurityByte = m_doc.byte(m_doc.rules().securityByte(m_doc.bytes()).value_or(0));
    m_dateYearByte = 0;
    m_securityByte = 0;
    computeDate(today);
    m_redText.reset();
    m_entryShown = true;
    if (!m_app.operatorAuthorized) {
        for (int i = 0; i < m_doc.rules().passwordBytes; ++i)
            m_redText.set(static_cast<std::size_t>(i));
        m_entryShown = false;
    }
    m_app.fillStart = 255;
    m_highlightedRow = 15;
}

DocumentEditor::Stamps DocumentEditor::stamps() const
{
    return {m_savedDateYear, m_savedDateWeek, m_savedSecurityByte, m_dateYearByte, m_securityByte};
}

void DocumentEditor::Step::absorb(const Step& later)
{
    document.absorb(later.document);
    after = later.after;
    currentAfter = later.currentAfter;
}

void DocumentEditor::beginStep()
{
    m_doc.beginChange();
    m_stampsBefore = stamps();
    m_currentBefore = m_current;
}

DocumentEditor::Step DocumentEditor::endStep()
{
    return {m_doc.endChange(), m_stampsBefore, stamps(), m_currentBefore, m_current};
}

void DocumentEditor::applyStep(const Step& step, bool undo)
{
    m_doc.applyChange(step.document, undo);
    // The red text of the stamped bytes follows the stamps.
    const Stamps& current = stamps();
    if (current.dateYearByte != 0) {
        m_redText.reset(static_cast<std::size_t>(current.dateYearByte));
        m_redText.reset(static_cast<std::size_t>(current.dateYearByte + 1));
    }
    if (current.securityByte != 0)
        m_redText.reset(static_cast<std::size_t>(current.securityByte));
    const Stamps& stamps = undo ? step.before : step.after;
    m_savedDateYear = stamps.savedDateYear;
    m_savedDateWeek = stamps.savedDateWeek;
    m_savedSecurityByte = stamps.savedSecurityByte;
    m_dateYearByte = stamps.dateYearByte;
    m_securityByte = stamps.securityByte;
    if (m_dateYearByte != 0) {
        m_redText.set(static_cast<std::size_t>(m_dateYearByte));
        m_redText.set(static_cast<std::size_t>(m_dateYearByte + 1));
    }
    if (m_securityByte != 0)
        m_redText.set(static_cast<std::size_t>(m_securityByte));
    selectByte(undo ? step.currentBefore : step.currentAfter);
}

void DocumentEditor::selectByte(int index)
{
    m_current = index & 0xFF;
    m_entryShown = mayWrite(m_current);
    m_doc.showInPanel(m_current);
}

bool DocumentEditor::mayWrite(int index) const
{
    return m_app.operatorAuthorized || index >= m_doc.rules().passwordBytes;
}

DocumentEditor::PasteResult DocumentEditor::pasteBytes(int from, std::span<const std::uint8_t> bytes)
{
    PasteResult result;
    from = std::clamp(from, 0, kSpdSize - 1);
    const int count = std::min(static_cast<int>(bytes.size()), kSpdSize - from);
    result.dropped = static_cast<int>(bytes.size()) - count;
    if (count == 0)
        return result;
    if (!mayWrite(from)) {
        result.refused = true;
        return result;
    }
    for (int i = 0; i < count; ++i) {
        m_doc.setMark(from + i, Mark::Edited);
        m_doc.setByte(from + i, bytes[static_cast<std::size_t>(i)]);
    }
    result.written = count;
    recomputeCheckBytes();
    m_doc.showInPanel(m_current);
    // A whole image decodes as it would in a window opened on it.
    if (count == kSpdSize)
        m_doc.settleView();
    else
        m_doc.decodeAll();
    m_doc.setModified(true);
    return result;
}

void DocumentEditor::recomputeCheckBytes()
{
    switch (m_doc.checkMode()) {
    case CheckMode::Checksum:
        m_doc.updateChecksum();
        m_doc.setMark(kChecksumByte, Mark::Edited);
        break;
    case CheckMode::Crc:
        m_doc.updateCrc();  // marks 126 and 127 edited and shows the CRC
        break;
    case CheckMode::None:
        break;
    }
}

void DocumentEditor::entryKey(std::string& box, bool enter)
{
    if (enter) {
        if (box.empty())
            box = "00";
        const std::string trimmed = Trimmed(box);
        if (trimmed.size() > 2)
            box = trimmed.substr(trimmed.size() - 2);
        m_doc.setMark(m_current, Mark::Edited);
        if (m_doc.checkMode() == CheckMode::Checksum && m_current < kChecksumByte)
            m_doc.setMark(kChecksumByte, Mark::Edited);
        m_doc.setByte(m_current, HexPairToByte(box));
    }
    recomputeCheckBytes();
    m_doc.decodeByte(m_current);
    if (enter) {
        m_current = (m_current + 1) & 0xFF;
        // Wrapping from 255 to 0 must not open the password-protected bytes.
        m_entryShown = mayWrite(m_current);
        m_doc.showInPanel(m_current, /*spaced=*/true);
        box.clear();
    }
    m_doc.decodeAll();
    m_doc.setModified(true);
}

int DocumentEditor::fillFrom() const
{
    // Without the password the bytes below 64 stay as they are, as in the entry box.
    return m_app.operatorAuthorized ? m_app.fillStart : std::max(m_app.fillStart, m_doc.rules().passwordBytes);
}

void DocumentEditor::fillKey(std::string& box, bool enter)
{
    if (enter) {
        if (box.empty())
            box = "00";
        const std::uint8_t value = HexPairToByte(box);
        for (int i = fillFrom(); i < kSpdSize; ++i)
            m_doc.setByte(i, value);
        // A fill is an edit: the check bytes follow it and closing asks to save.
        recomputeCheckBytes();
        m_doc.setModified(true);
    }
    m_doc.decodeAll();
}

void DocumentEditor::headerClicked(int header)
{
    // Column headers would give a fill start below byte 0: they do nothing.
    if (header < 16 || header > 31)
        return;
    m_app.fillStart = (header - 16) * 16;
    m_highlightedRow = header - 16;
}

void DocumentEditor::dateCodeClicked(bool checked, const Today& today)
{
    computeDate(today);
    const auto dateByte = m_doc.rules().dateCodeByte(m_doc.bytes());
    if (checked && dateByte) {
        const int year = *dateByte;
        m_dateYearByte = year;
        m_savedDateYear = m_doc.byte(year);
        m_savedDateWeek = m_doc.byte(year + 1);
        m_doc.setByte(year, ToBcd(m_week.yearSince2000));
        m_doc.setByte(year + 1, ToBcd(m_week.week));
        m_redText.set(static_cast<std::size_t>(year));
        m_redText.set(static_cast<std::size_t>(year + 1));
        m_doc.decodeByte(year);
        m_doc.decodeByte(year + 1);
    } else if (m_dateYearByte != 0) {
        const int year = m_dateYearByte;
        m_dateYearByte = 0;
        m_doc.setByte(year, m_savedDateYear);
        m_doc.setByte(year + 1, m_savedDateWeek);
        m_redText.reset(static_cast<std::size_t>(year));
        m_redText.reset(static_cast<std::size_t>(year + 1));
    }
    // A DDR3 image keeps its CRC in CRC mode.
    if (m_doc.checkMode() == CheckMode::Crc && MemoryTypeOf(m_doc.byte(2)) == MemoryType::Ddr3)
        m_doc.updateCrc();
    m_doc.decodeAll();
    m_doc.setModified(true);
}

void DocumentEditor::securityClicked(bool checked)
{
    if (checked) {
        const auto at = m_doc.rules().securityByte(m_doc.bytes());
        if (!at)
            return;
        m_securityByte = *at;
        m_savedSecurityByte = m_doc.byte(*at);
        m_doc.setByte(*at, m_doc.view().securityCode);
        m_redText.set(static_cast<std::size_t>(*at));
    } else if (m_securityByte != 0) {
        const int at = m_securityByte;
        m_securityByte = 0;
        m_doc.setByte(at, m_savedSecurityByte);
        m_redText.reset(static_cast<std::size_t>(at));
    }
}

bool DocumentEditor::securityAvailable() const
{
    return m_doc.rules().securityByte(m_doc.bytes()).has_value();
}

void DocumentEditor::followImageKind()
{
    if (m_dateYearByte != 0 && m_doc.rules().dateCodeByte(m_doc.bytes()) != m_dateYearByte) {
        m_redText.reset(static_cast<std::size_t>(m_dateYearByte));
        m_redText.reset(static_cast<std::size_t>(m_dateYearByte + 1));
        m_dateYearByte = 0;
    }
    if (m_securityByte != 0 && m_doc.rules().securityByte(m_doc.bytes()) != m_securityByte) {
        m_redText.reset(static_cast<std::size_t>(m_securityByte));
        m_securityByte = 0;
    }
}

void DocumentEditor::computeDate(const Today& today)
{
    m_dateText = today.text;
    m_week = WeekOfDate(today.year, today.month, today.day);
}

}  // namespace tessaro
