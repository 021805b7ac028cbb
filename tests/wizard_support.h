#pragma once

// Drives the wizard's pages as an operator does, and builds the image of the
// finished wizard in a new document.
#include "document/spddocument.h"
#include "wizard/wizardpages.h"
#include "wizard/wizardsynthesis.h"

#include <memory>
#include <optional>
#include <string>

namespace tessaro::test {

struct WizardChoices {
    int generation = 0;            // optRamType 0-3
    int speed = 0;                 // option 0-3 of the speed frame
    std::optional<int> width;      // widthChoice; left alone: "x 8"
    std::optional<int> size;       // sizeChoice; left alone: the default
    bool doubleSide = false;
    bool ecc = false;
    std::optional<int> tcl;        // entry index; left alone: the preset
    std::optional<int> trp, trcd, tras;  // clock counts
    std::string jedec;
    std::string part;
};

inline WizardRecord FinishWizard(const WizardChoices& c)
{
    WizardRecord record;
    WizardPages pages(record);
    pages.load();
    pages.selectGeneration(c.generation);
    pages.next();
    pages.selectSpeed(c.generation, c.speed);
    pages.next();
    if (c.width)
        pages.selectDataWidth(pages.dataWidths().indexOfValue(*c.width));
    if (c.size)
        pages.selectSize(pages.sizes().indexOfValue(*c.size));
    pages.selectSide(c.doubleSide ? 1 : 0);
    pages.setEcc(c.ecc);
    pages.next();
    if (c.tcl)
        pages.selectTiming(TimingList::Tcl, *c.tcl);
    const std::pair<TimingList, std::optional<int>> clocks[] = {
        {TimingList::Trp, c.trp}, {TimingList::Trcd, c.trcd}, {TimingList::Tras, c.tras}};
    for (const auto& [list, count] : clocks)
        if (count)
            pages.selectTiming(list, pages.timing(list).indexOfValue(*count));
    pages.next();
    pages.setJedecIdText(c.jedec);
    pages.setPartNumberText(c.part);
    pages.finish();
    return record;
}

// A new document as the New command opens it, filled by the wizard.
struct BuiltDocument {
    DecodeContext context;
    SpdDocument document{context, "SPD_File 1"};
};

inline std::unique_ptr<BuiltDocument> Build(WizardRecord record)
{
    auto built = std::make_unique<BuiltDocument>();
    built->document.open();
    ApplyWizardImage(built->document, BuildWizardImage(record));
    return built;
}

inline std::unique_ptr<BuiltDocument> Build(const WizardChoices& choices)
{
    return Build(FinishWizard(choices));
}

}  // namespace tessaro::test
