#include "pinmap/modulesignals.h"

#include "core/memorytype.h"

#include <string>

namespace tessaro {

namespace {
std::array<const char*, kModuleSignalCount> BuildNames()
{
    static std::array<std::string, kModuleSignalCount> storage;
    int i = 0;
    auto add = [&](std::string name) { storage[static_cast<std::size_t>(i++)] = std::move(name); };
    // Appended, not `"A" + text`: GCC 12 at -O3 takes that for an overlapping copy (-Wrestrict).
    auto numbered = [](const char* stem, int n) { return std::string(stem).append(std::to_string(n)); };
    for (int n = 0; n <= 63; ++n) add(numbered("DQ", n));
    for (int n = 0; n <= 7; ++n) add(numbered("CB", n));
    for (int n = 0; n <= 13; ++n) add(numbered("A", n));
    add("BA0");
    add("BA1");
    for (int n = 0; n <= 7; ++n) add(numbered("DQM", n));
    for (int n = 0; n <= 7; ++n) add(numbered("DQS", n));
    add("DQS8");
    add("DQM8");
    add("/RAS");
    add("/CAS");
    for (int n = 0; n <= 3; ++n) add(numbered("/CS", n));
    add("/WE");
    for (int n = 0; n <= 13; ++n) add(numbered("/DQS", n));
    add("A14");
    add("/DQS15");
    add("Vca");
    add("BA2");
    add("/CKE0");
    add("/CKE1");
    for (const char* clock : {"CLK0", "/CLK0", "CLK1", "/CLK1", "CLK2", "/CLK2"}) add(clock);
    add("Vref");
    add("Reset");
    add("ODT0");
    add("ODT1");
    add("Vtt");
    std::array<const char*, kModuleSignalCount> names{};
    for (std::size_t n = 0; n < names.size(); ++n)
        names[n] = storage[n].c_str();
    return names;
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> row;
    for (int i = first; i <= last; ++i)
        row.push_back(i);
    return row;
}
}  // namespace

const std::array<const char*, kModuleSignalCount>& ModuleSignalNames()
{
    static const auto names = BuildNames();
    return names;
}

const std::vector<std::vector<int>>& ModuleSignalRows()
{
    static const std::vector<std::vector<int>> rows = [] {
        std::vector<std::vector<int>> r;
        for (int first = 0; first < 64; first += 8)
            r.push_back(Range(first, first + 7));            // DQ0-DQ63
        r.push_back(Range(64, 71));                          // CB0-CB7
        r.push_back(Range(72, 79));                          // A0-A7
        auto a8 = Range(80, 85);                             // A8-A13, A14
        a8.push_back(127);
        r.push_back(a8);
        r.push_back({86, 87, 130});                          // BA0-BA2
        r.push_back(Range(88, 95));                          // DQM0-DQM7
        r.push_back({105});                                  // DQM8
        r.push_back(Range(96, 103));                         // DQS0-DQS7
        r.push_back({104});                                  // DQS8
        r.push_back({108, 109, 110, 111, 106, 107, 112});    // /CS0-/CS3 /RAS /CAS /WE
        r.push_back(Range(113, 120));                        // /DQS0-/DQS7
        auto dqs8 = Range(121, 126);                         // /DQS8-/DQS13, /DQS15
        dqs8.push_back(128);
        r.push_back(dqs8);
        r.push_back({131, 132, 133, 134, 135, 136, 137, 138});  // /CKE0 /CKE1 CLK0 ... /CLK2
        r.push_back({139, 143, 129, 140, 141, 142});         // Vref Vtt Vca Reset ODT0 ODT1
        return r;
    }();
    return rows;
}

namespace {
// The four DDR DIMM 184 clocks CLK1, /CLK1, CLK2 and /CLK2 show the real
// connector pins 16, 17, 76 and 75.
constexpr int kPins[kModuleSignalCount][5] = {
#include "pinmap/modulepins.inc"
};

// The column of a connector in kPins, or -1 for one the table leaves out.
int PinColumn(ModuleEdge connector)
{
    switch (connector) {
    case ModuleEdge::DdrDimm184: return 0;
    case ModuleEdge::Ddr2SoDimm200: return 1;
    case ModuleEdge::Ddr2Dimm240: return 2;
    case ModuleEdge::Ddr3SoDimm204: return 3;
    case ModuleEdge::Ddr3Dimm240: return 4;
    case ModuleEdge::DdrSoDimm200: return -1;
    }
    return -1;
}
}  // namespace

ModuleEdge ConnectorFor(int memoryType, int moduleForm)
{
    const MemoryType type = MemoryTypeOf(memoryType);
    if (type == MemoryType::Ddr2 && moduleForm == 4)
        return ModuleEdge::Ddr2SoDimm200;
    if (type == MemoryType::Ddr3 && moduleForm == 4)
        return ModuleEdge::Ddr3SoDimm204;
    if (type == MemoryType::Ddr3)
        return ModuleEdge::Ddr3Dimm240;
    if (type == MemoryType::Ddr)
        return ModuleEdge::DdrDimm184;
    return ModuleEdge::Ddr2Dimm240;
}

int ModuleSignalPin(ModuleEdge connector, int index)
{
    const int column = PinColumn(connector);
    if (index < 0 || index >= kModuleSignalCount || column < 0)
        return 0;
    return kPins[index][column];
}

std::string ModuleSignalTip(ModuleEdge connector, int index)
{
    const int pin = ModuleSignalPin(connector, index);
    return pin > 0 ? "Pin " + std::to_string(pin) : std::string(6, ' ');
}

}  // namespace tessaro
