#include "pinmap/moduleedges.h"
#include "pinmap/modulesignals.h"
#include "pinmap/signalclass.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <map>
#include <set>
#include <string>

namespace tessaro {
namespace {

std::string Upper(std::string_view s)
{
    std::string out;
    for (char c : s)
        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

int CountNamed(ModuleEdge edge, std::string_view name)
{
    int count = 0;
    for (int pin = 1; pin <= EdgeInfo(edge).pinCount; ++pin)
        count += EdgePinName(edge, pin) == name ? 1 : 0;
    return count;
}

TEST(ModuleEdges, EveryPinHasAKnownNameAndNothingLiesBeyond)
{
    const std::map<ModuleEdge, int> pinCounts = {
        {ModuleEdge::DdrDimm184, 184},  {ModuleEdge::DdrSoDimm200, 200}, {ModuleEdge::Ddr2Dimm240, 240},
        {ModuleEdge::Ddr2SoDimm200, 200}, {ModuleEdge::Ddr3Dimm240, 240}, {ModuleEdge::Ddr3SoDimm204, 204},
    };
    for (ModuleEdge edge : kModuleEdges) {
        const ModuleEdgeInfo& info = EdgeInfo(edge);
        SCOPED_TRACE(std::string(info.name));
        EXPECT_EQ(info.pinCount, pinCounts.at(edge));
        EXPECT_TRUE(EdgePinName(edge, 0).empty());
        EXPECT_TRUE(EdgePinName(edge, info.pinCount + 1).empty());
        for (int pin = 1; pin <= info.pinCount; ++pin) {
            const std::string_view name = EdgePinName(edge, pin);
            // Only the pins that really are open may fall in the unused class;
            // anything else there is a name the colours do not know (a typo).
            if (ClassifySignal(name) == SignalClass::Unused) {
                EXPECT_EQ(name, "NC") << "pin " << pin;
            }
        }
    }
}

TEST(ModuleEdges, BackPinsStandBehindTheRightFrontPins)
{
    for (ModuleEdge edge : kModuleEdges) {
        const ModuleEdgeInfo& info = EdgeInfo(edge);
        SCOPED_TRACE(std::string(info.name));
        const int half = info.pinCount / 2;
        for (int k = 1; k <= half; ++k) {
            // DIMM: N/2+k behind k; SO-DIMM: 2k behind 2k-1.
            const bool dimm = info.numbering == EdgeNumbering::FrontThenBack;
            const int front = dimm ? k : 2 * k - 1;
            const int back = dimm ? half + k : 2 * k;
            EXPECT_TRUE(IsFrontPin(edge, front));
            EXPECT_FALSE(IsFrontPin(edge, back));
            EXPECT_EQ(EdgePosition(edge, front), k - 1);
            EXPECT_EQ(EdgePosition(edge, back), k - 1);
        }
    }
    EXPECT_EQ(EdgeInfo(ModuleEdge::Ddr3SoDimm204).numbering, EdgeNumbering::OddFrontEvenBack);
    EXPECT_EQ(EdgeInfo(ModuleEdge::DdrDimm184).numbering, EdgeNumbering::FrontThenBack);
}

TEST(ModuleEdges, KeyNotchSitsBetweenTheStandardPins)
{
    // Front left/right, back left/right, in the order of kModuleEdges.
    const int expected[kModuleEdgeCount][4] = {
        {52, 53, 144, 145}, {39, 41, 40, 42}, {64, 65, 184, 185},
        {39, 41, 40, 42},   {48, 49, 168, 169}, {71, 73, 72, 74},
    };
    for (int i = 0; i < kModuleEdgeCount; ++i) {
        const ModuleEdge edge = kModuleEdges[i];
        SCOPED_TRACE(std::string(EdgeInfo(edge).name));
        const KeyPins front = EdgeKeyPins(edge, true);
        const KeyPins back = EdgeKeyPins(edge, false);
        EXPECT_EQ((std::array{front.left, front.right, back.left, back.right}),
                  (std::array{expected[i][0], expected[i][1], expected[i][2], expected[i][3]}));
    }
}

TEST(ModuleEdges, EachSignalLineAppearsOnce)
{
    for (ModuleEdge edge : kModuleEdges) {
        const ModuleEdgeInfo& info = EdgeInfo(edge);
        SCOPED_TRACE(std::string(info.name));
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(CountNamed(edge, "DQ" + std::to_string(i)), 1) << "DQ" << i;
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(CountNamed(edge, "CB" + std::to_string(i)), info.hasCheckBits ? 1 : 0) << "CB" << i;
            EXPECT_EQ(CountNamed(edge, "DQS" + std::to_string(i)), 1) << "DQS" << i;
            EXPECT_EQ(CountNamed(edge, "DM" + std::to_string(i)), 1) << "DM" << i;
        }
        // Apart from supplies and open pins no name may stand twice.
        std::set<std::string_view> seen;
        for (int pin = 1; pin <= info.pinCount; ++pin) {
            const std::string_view name = EdgePinName(edge, pin);
            const SignalClass cls = ClassifySignal(name);
            if (cls == SignalClass::Power || cls == SignalClass::Ground || cls == SignalClass::Unused)
                continue;
            EXPECT_TRUE(seen.insert(name).second) << name << " again at pin " << pin;
        }
    }
}

TEST(ModuleEdges, SupplySpdAndReferencePinsArePlausible)
{
    for (ModuleEdge edge : kModuleEdges) {
        const ModuleEdgeInfo& info = EdgeInfo(edge);
        SCOPED_TRACE(std::string(info.name));
        int ground = 0;
        int power = 0;
        for (int pin = 1; pin <= info.pinCount; ++pin) {
            const SignalClass cls = ClassifySignal(EdgePinName(edge, pin));
            ground += cls == SignalClass::Ground ? 1 : 0;
            power += cls == SignalClass::Power ? 1 : 0;
        }
        // A quarter or more of a DDR connector's pins carry supply or ground.
        EXPECT_GE(ground, info.pinCount / 10);
        EXPECT_GE(power, info.pinCount / 16);
        EXPECT_GE(power + ground, info.pinCount / 4);
        for (std::string_view spd : {"VDDSPD", "SCL", "SDA", "SA0", "SA1"})
            EXPECT_EQ(CountNamed(edge, spd), 1) << spd;
        EXPECT_EQ(Upper(EdgePinName(edge, 1)).rfind("VREF", 0), 0u) << "pin 1 is the reference";
    }
    // DDR3 modules terminate the command bus on the module: VTT at both ends.
    EXPECT_EQ(EdgePinName(ModuleEdge::Ddr3Dimm240, 120), "VTT");
    EXPECT_EQ(EdgePinName(ModuleEdge::Ddr3Dimm240, 240), "VTT");
    EXPECT_EQ(CountNamed(ModuleEdge::Ddr3SoDimm204, "VTT"), 2);
}

// The module I/O panel's names and the pictures' names of the same signal:
// DQM/DM, CLK/CK, /CS/S, /CKE/CKE, Vca/VREFCA, Vref/VREF(DQ), A10/AP/A10.
std::string Normalised(std::string_view raw)
{
    std::string s = Upper(raw);
    if (s.rfind("/CKE", 0) == 0)
        s.erase(0, 1);
    if (s == "RESET")
        s = "/RESET";
    const bool low = !s.empty() && s.front() == '/';
    if (low)
        s.erase(0, 1);
    if (const auto slash = s.find('/'); slash != std::string::npos)
        s.resize(slash);  // A10/AP, A12/BC
    auto replacePrefix = [&](std::string_view from, std::string_view to) {
        if (s.rfind(from, 0) == 0)
            s = std::string(to) + s.substr(from.size());
    };
    replacePrefix("DQM", "DM");
    replacePrefix("CLK", "CK");
    if (s.size() > 2 && s.rfind("CS", 0) == 0 && std::isdigit(static_cast<unsigned char>(s[2])))
        s.erase(0, 1);
    if (s == "VCA")
        s = "VREFCA";
    if (s == "VREFDQ")
        s = "VREF";
    return low ? "/" + s : s;
}

TEST(ModuleEdges, AgreesWithTheModuleIoPanelPins)
{
    // The panel names the reset of a registered module on these two
    // connectors; an unbuffered module leaves the pin open.
    std::set<std::pair<ModuleEdge, int>> openOnUnbuffered = {
        {ModuleEdge::DdrDimm184, 10},
        {ModuleEdge::Ddr2Dimm240, 18},
    };
    const auto& names = ModuleSignalNames();
    int compared = 0;
    for (ModuleEdge edge : kModuleEdges) {
        SCOPED_TRACE(std::string(EdgeInfo(edge).name));
        for (int index = 0; index < kModuleSignalCount; ++index) {
            const int pin = ModuleSignalPin(edge, index);
            if (pin == 0)
                continue;
            ASSERT_LE(pin, EdgeInfo(edge).pinCount);
            const std::string_view drawn = EdgePinName(edge, pin);
            if (openOnUnbuffered.erase({edge, pin}) == 1) {
                EXPECT_EQ(Normalised(names[static_cast<std::size_t>(index)]), "/RESET");
                EXPECT_EQ(drawn, "NC");
                continue;
            }
            EXPECT_EQ(Normalised(drawn), Normalised(names[static_cast<std::size_t>(index)]))
                << "pin " << pin << ": drawn " << drawn << ", panel " << names[static_cast<std::size_t>(index)];
            ++compared;
        }
    }
    EXPECT_TRUE(openOnUnbuffered.empty()) << "a listed exception no longer occurs";
    EXPECT_GT(compared, 500);
    // The panel's table has no column for the DDR SO-DIMM 200: no signal has a pin there.
    for (int index = 0; index < kModuleSignalCount; ++index)
        EXPECT_EQ(ModuleSignalPin(ModuleEdge::DdrSoDimm200, index), 0) << index;
    EXPECT_EQ(ModuleSignalTip(ModuleEdge::DdrSoDimm200, 0), std::string(6, ' '));
}

}  // namespace
}  // namespace tessaro
