#pragma once

#include "wizard/wizardparams.h"
#include "wizard/wizardtables.h"

#include <array>
#include <string>
#include <vector>

namespace tessaro {

// The frames of the wizard; one is visible at a time.
enum class WizardFrame { Generation, SdrSpeed, DdrSpeed, Ddr2Speed, Ddr3Speed, DramIC, DramTime, Info };

// A drop-down list: its entries, the value each entry stands for, and the
// selected entry (-1: none).
struct ChoiceList {
    std::vector<std::string> entries;
    std::vector<int> values;
    int selected = -1;

    void clear()
    {
        entries.clear();
        values.clear();
        selected = -1;
    }
    void add(std::string entry, int value)
    {
        entries.push_back(std::move(entry));
        values.push_back(value);
    }
    // Selects the entry with this text; none when it is missing.
    void selectText(const std::string& entry);
    void selectValue(int value);
    [[nodiscard]] int selectedValue() const { return selected >= 0 ? values[static_cast<std::size_t>(selected)] : -1; }
    [[nodiscard]] std::string selectedText() const { return selected >= 0 ? entries[static_cast<std::size_t>(selected)] : std::string(); }
    [[nodiscard]] int indexOfValue(int value) const;
    [[nodiscard]] int indexOfText(const std::string& entry) const;
};

// The wizard dialog without its window: the five pages, their controls' contents and
// the step logic that turns the operator's choices into the wizard record.
// The dialog shows this state and forwards the operator's actions; the
// command line drives it the same way.
class WizardPages
{
public:
    explicit WizardPages(WizardRecord& record);

    // The dialog's load: page 0 with "SDRAM" selected when no generation is
    // set yet.
    void load();

    // The buttons. Cancel needs nothing here: it closes without finishing.
    void back();    // pageIndex - 1, then showCurrentPage
    void next();    // pageIndex + 1, then showCurrentPage
    void finish();  // pageIndex 5, finished, showCurrentPage

    // Runs the logic of the page that pageIndex names.
    void showCurrentPage();

    // The operator's choices.
    void selectGeneration(int index);           // optRamType 0-3
    void selectSpeed(int generation, int index);  // option 0-3 of a generation's speed frame
    void selectDataWidth(int index);            // runs the data-width rule
    void selectSize(int index);
    void selectSide(int index);
    void setEcc(bool ticked) { m_ecc = ticked; }
    void selectTiming(TimingList list, int index);
    void setJedecIdText(std::string text) { m_jedecText = std::move(text); }
    void setPartNumberText(std::string text) { m_partText = std::move(text); }

    // What the dialog shows.
    [[nodiscard]] int pageIndex() const { return m_pageIndex; }
    [[nodiscard]] WizardFrame visibleFrame() const;
    [[nodiscard]] bool backEnabled() const { return m_pageIndex >= 1 && m_pageIndex <= 4; }
    [[nodiscard]] bool nextEnabled() const { return m_pageIndex >= 0 && m_pageIndex <= 3; }
    [[nodiscard]] bool finishEnabled() const { return m_pageIndex == 4; }
    [[nodiscard]] int generation() const { return m_generation; }
    [[nodiscard]] int speedOption(int generation) const { return m_speedOption[static_cast<std::size_t>(generation)]; }
    [[nodiscard]] const ChoiceList& dataWidths() const { return m_widths; }
    [[nodiscard]] const ChoiceList& sizes() const { return m_sizes; }
    [[nodiscard]] const ChoiceList& sides() const { return m_sides; }
    [[nodiscard]] bool ecc() const { return m_ecc; }
    [[nodiscard]] const ChoiceList& timing(TimingList list) const { return m_timing[static_cast<std::size_t>(list)]; }
    [[nodiscard]] const std::string& jedecIdText() const { return m_jedecText; }
    [[nodiscard]] const std::string& partNumberText() const { return m_partText; }

    [[nodiscard]] const WizardRecord& record() const { return m_record; }

private:
    void enterGenerationPage();
    void enterSpeedPage();
    void enterParameterPage();
    void enterTimingPage();
    void enterInformationPage();
    void takeTexts();
    void fillTimingLists();
    void applyTimingPresets();
    void applyDataWidthRule();
    [[nodiscard]] int currentGenerationIndex() const;

    WizardRecord& m_record;
    int m_pageIndex = 0;
    int m_generation = -1;
    std::array<int, kGenerationCount> m_speedOption{-1, -1, -1, -1};
    ChoiceList m_widths;
    ChoiceList m_sizes;
    ChoiceList m_sides;
    bool m_ecc = false;
    std::array<ChoiceList, kTimingListCount> m_timing;
    std::string m_jedecText;
    std::string m_partText;
};

// Leading and trailing blanks removed; inner blanks kept.
[[nodiscard]] std::string TrimBlanks(const std::string& text);

}  // namespace tessaro
