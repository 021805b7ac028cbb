#include "wizard/wizardpages.h"

#include <algorithm>

namespace tessaro {

namespace {

// The pages in the order Next walks them; the page index counts from 0.
enum Page { kGenerationPage, kSpeedPage, kParameterPage, kTimingPage, kInformationPage, kFinishedPage };

std::string ClockEntry(int clocks)
{
    return std::to_string(clocks) + "T";
}

void FillClockList(ChoiceList& list, int first, int last)
{
    list.clear();
    for (int clocks = first; clocks <= last; ++clocks)
        list.add(ClockEntry(clocks), clocks);
}

bool SpeedCodeOfGeneration(int speedCode, int generation)
{
    const int first = kSpeedFrames[static_cast<std::size_t>(generation)].firstSpeedCode;
    return speedCode >= first && speedCode < first + kSpeedsPerGeneration;
}

}  // namespace

void ChoiceList::selectText(const std::string& entry)
{
    selected = indexOfText(entry);
}

void ChoiceList::selectValue(int value)
{
    selected = indexOfValue(value);
}

int ChoiceList::indexOfValue(int value) const
{
    const auto it = std::find(values.begin(), values.end(), value);
    return it == values.end() ? -1 : static_cast<int>(it - values.begin());
}

int ChoiceList::indexOfText(const std::string& entry) const
{
    const auto it = std::find(entries.begin(), entries.end(), entry);
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

std::string TrimBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

WizardPages::WizardPages(WizardRecord& record)
    : m_record(record)
{
}

void WizardPages::load()
{
    m_pageIndex = kGenerationPage;
    if (m_record.params.memoryKind == 0)
        m_generation = 0;
}

void WizardPages::back()
{
    if (!backEnabled())
        return;
    --m_pageIndex;
    showCurrentPage();
}

void WizardPages::next()
{
    if (!nextEnabled())
        return;
    ++m_pageIndex;
    showCurrentPage();
}

void WizardPages::finish()
{
    if (!finishEnabled())
        return;
    m_pageIndex = kFinishedPage;
    m_record.wizardFinished = true;
    showCurrentPage();
}

void WizardPages::showCurrentPage()
{
    switch (m_pageIndex) {
    case kGenerationPage: enterGenerationPage(); break;
    case kSpeedPage: enterSpeedPage(); break;
    case kParameterPage: enterParameterPage(); break;
    case kTimingPage: enterTimingPage(); break;
    case kInformationPage: enterInformationPage(); break;
    case kFinishedPage: takeTexts(); break;
    default: break;
    }
}

WizardFrame WizardPages::visibleFrame() const
{
    switch (m_pageIndex) {
    case kGenerationPage: return WizardFrame::Generation;
    case kSpeedPage: return static_cast<WizardFrame>(static_cast<int>(WizardFrame::SdrSpeed) + currentGenerationIndex());
    case kParameterPage: return WizardFrame::DramIC;
    case kTimingPage: return WizardFrame::DramTime;
    default: return WizardFrame::Info;
    }
}

int WizardPages::currentGenerationIndex() const
{
    return std::clamp(m_record.params.memoryKind - 1, 0, kGenerationCount - 1);
}

void WizardPages::selectGeneration(int index)
{
    if (index >= 0 && index < kGenerationCount)
        m_generation = index;
}

void WizardPages::selectSpeed(int generation, int index)
{
    if (generation >= 0 && generation < kGenerationCount && index >= 0 && index < kSpeedsPerGeneration)
        m_speedOption[static_cast<std::size_t>(generation)] = index;
}

void WizardPages::selectDataWidth(int index)
{
    m_widths.selected = index >= 0 && index < static_cast<int>(m_widths.entries.size()) ? index : -1;
    applyDataWidthRule();
}

void WizardPages::selectSize(int index)
{
    if (index >= 0 && index < static_cast<int>(m_sizes.entries.size()))
        m_sizes.selected = index;
}

void WizardPages::selectSide(int index)
{
    if (index >= 0 && index < static_cast<int>(m_sides.entries.size()))
        m_sides.selected = index;
}

void WizardPages::selectTiming(TimingList list, int index)
{
    ChoiceList& choices = m_timing[static_cast<std::size_t>(list)];
    if (index >= 0 && index < static_cast<int>(choices.entries.size()))
        choices.selected = index;
}

// --- The pages ---

void WizardPages::enterGenerationPage()
{
    m_record.params.memoryKind = static_cast<std::int16_t>(std::max(m_generation, 0) + 1);
}

void WizardPages::enterSpeedPage()
{
    m_record.params.memoryKind = static_cast<std::int16_t>(std::max(m_generation, 0) + 1);
    const int generation = currentGenerationIndex();
    if (!SpeedCodeOfGeneration(m_record.params.speedCode, generation))
        m_speedOption[static_cast<std::size_t>(generation)] = 0;
    fillTimingLists();
}

void WizardPages::enterParameterPage()
{
    const int generation = currentGenerationIndex();
    const int option = std::max(m_speedOption[static_cast<std::size_t>(generation)], 0);
    m_record.params.speedCode =
        static_cast<std::int16_t>(kSpeedFrames[static_cast<std::size_t>(generation)].firstSpeedCode + option);
    applyTimingPresets();
    m_widths.clear();
    for (std::size_t i = 0; i < kDataWidthCaptions.size(); ++i)
        m_widths.add(kDataWidthCaptions[i], static_cast<int>(i));
    selectDataWidth(kDefaultWidthChoice);
}

void WizardPages::enterTimingPage()
{
    WizardParams& p = m_record.params;
    p.bankCount = 4;
    p.refreshTenths = 78;
    p.widthChoice = static_cast<std::int16_t>(m_widths.selectedValue());
    p.sizeChoice = static_cast<std::int16_t>(m_sizes.selectedValue());
    // A pair without an organisation keeps the entries it had.
    if (const auto organisation = OrganisationFor(p.memoryType(), p.widthChoice, p.sizeChoice)) {
        p.rowBits = static_cast<std::int16_t>(organisation->rowBits);
        p.columnBits = static_cast<std::int16_t>(organisation->columnBits);
        p.rankDensityCode = static_cast<std::int16_t>(organisation->rankDensityCode);
        p.bankCount = static_cast<std::int16_t>(organisation->bankCount);
        p.refreshTenths = static_cast<std::int16_t>(organisation->refreshTenths);
    }
    p.rankCount = m_sides.selectedValue() == 1 ? 1 : 2;
    p.eccChoice = m_ecc ? 2 : 1;
}

void WizardPages::enterInformationPage()
{
    m_jedecText.clear();
    m_partText.clear();
    WizardParams& p = m_record.params;
    // The tCL entry is kept as its index; the others as the clock count shown.
    p.casChoice = static_cast<std::int16_t>(timing(TimingList::Tcl).selected);
    p.trpClocks = static_cast<std::int16_t>(timing(TimingList::Trp).selectedValue());
    p.trcdClocks = static_cast<std::int16_t>(timing(TimingList::Trcd).selectedValue());
    p.trasClocks = static_cast<std::int16_t>(timing(TimingList::Tras).selectedValue());
}

void WizardPages::takeTexts()
{
    m_record.jedecIdText = TrimBlanks(m_jedecText);
    m_record.partNumberText = TrimBlanks(m_partText);
}

// --- Lists ---

void WizardPages::fillTimingLists()
{
    const GenerationTimings& t = kGenerationTimings[static_cast<std::size_t>(currentGenerationIndex())];
    ChoiceList& tcl = m_timing[static_cast<std::size_t>(TimingList::Tcl)];
    tcl.clear();
    for (std::size_t i = 0; i < t.tcl.size(); ++i)
        tcl.add(t.tcl[i], static_cast<int>(i));
    FillClockList(m_timing[static_cast<std::size_t>(TimingList::Trp)], t.trpFirst, t.trpLast);
    FillClockList(m_timing[static_cast<std::size_t>(TimingList::Trcd)], t.trcdFirst, t.trcdLast);
    FillClockList(m_timing[static_cast<std::size_t>(TimingList::Tras)], t.trasFirst, t.trasLast);
}

void WizardPages::applyTimingPresets()
{
    const auto& preset = TimingPreset(m_record.params.speedCode);
    for (std::size_t i = 0; i < m_timing.size(); ++i)
        m_timing[i].selectText(preset[i]);
}

void WizardPages::applyDataWidthRule()
{
    m_sizes.clear();
    m_sides.clear();
    if (m_widths.selected < 0)
        return;
    const MemoryType type = m_record.params.memoryType();
    const int width = m_widths.selectedValue();
    for (std::size_t i = 0; i < kSizeCaptions.size(); ++i)
        if (SizeOffered(type, width, static_cast<int>(i)))
            m_sizes.add(kSizeCaptions[i], static_cast<int>(i));
    m_sizes.selectValue(DefaultSizeChoice(type));
    m_sides.add(kSideCaptions[0], 1);
    m_sides.add(kSideCaptions[1], 2);
    m_sides.selected = 0;
}

}  // namespace tessaro
