#include "pinmap/drampackages.h"
#include "pinmap/signalclass.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using namespace tessaro;

namespace {

std::map<std::string, int> NameCounts(const DramPackageData& data, DramWidth width)
{
    std::map<std::string, int> counts;
    for (const DramPin& pin : data.pins)
        ++counts[std::string(pin.Name(width))];
    return counts;
}

int DataBits(DramWidth width)
{
    return width == DramWidth::X4 ? 4 : width == DramWidth::X8 ? 8 : 16;
}

bool IsDdr3(DramPackage p) { return p == DramPackage::Ddr3Fbga78 || p == DramPackage::Ddr3Fbga96; }
bool IsDdr2(DramPackage p) { return p == DramPackage::Ddr2Fbga60 || p == DramPackage::Ddr2Fbga84; }

// Strobes and masks of a part besides its DQ lines.
std::set<std::string> StrobesAndMasks(DramPackage package, DramWidth width)
{
    if (width == DramWidth::X16) {
        if (package == DramPackage::DdrTsop66)
            return {"LDQS", "UDQS", "LDM", "UDM"};
        return {"LDQS", "/LDQS", "UDQS", "/UDQS", "LDM", "UDM"};
    }
    if (package == DramPackage::DdrTsop66)
        return {"DQS", "DM"};
    if (width == DramWidth::X4)
        return {"DQS", "/DQS", "DM"};
    if (IsDdr2(package))
        return {"DQS", "/DQS", "DM/RDQS", "/RDQS"};
    return {"DQS", "/DQS", "DM/TDQS", "/TDQS"};
}

}  // namespace

TEST(DramPackages, PinCountsAndPositionsFitThePackage)
{
    const std::map<DramPackage, std::size_t> counts = {
        {DramPackage::DdrTsop66, 66}, {DramPackage::Ddr2Fbga60, 60}, {DramPackage::Ddr2Fbga84, 84},
        {DramPackage::Ddr3Fbga78, 78}, {DramPackage::Ddr3Fbga96, 96}};
    for (DramPackage package : kDramPackages) {
        const DramPackageData& data = DramPackageInfo(package);
        SCOPED_TRACE(std::string(data.title));
        EXPECT_EQ(data.package, package);
        EXPECT_EQ(data.pins.size(), counts.at(package));
        std::set<std::string> seen;
        for (const DramPin& pin : data.pins) {
            EXPECT_TRUE(seen.insert(pin.position).second) << pin.position;
            if (data.kind == DramPackageKind::Tsop) {
                const int number = std::stoi(pin.position);
                EXPECT_TRUE(number >= 1 && number <= 66) << pin.position;
                continue;
            }
            EXPECT_NE(data.rows.find(pin.position.front()), std::string_view::npos) << pin.position;
            const int column = std::stoi(pin.position.substr(1));
            EXPECT_NE(std::find(data.columns.begin(), data.columns.end(), column), data.columns.end()) << pin.position;
        }
        if (data.kind == DramPackageKind::Fbga) {
            EXPECT_EQ(data.rows.find_first_of("IOQS"), std::string_view::npos);
            EXPECT_EQ(data.columns, (std::vector<int>{1, 2, 3, 7, 8, 9}));
        }
        for (const DramPin& pin : data.pins) {
            for (DramWidth width : {DramWidth::X4, DramWidth::X8, DramWidth::X16})
                EXPECT_EQ(pin.Name(width).empty(), !data.Offers(width)) << pin.position;
        }
    }
}

TEST(DramPackages, EveryWidthHasItsDataStrobesAndMasksExactlyOnce)
{
    for (DramPackage package : kDramPackages) {
        const DramPackageData& data = DramPackageInfo(package);
        for (DramWidth width : data.widths) {
            SCOPED_TRACE(std::string(data.title) + " " + std::string(DramWidthName(width)));
            const auto counts = NameCounts(data, width);
            std::set<std::string> expected = StrobesAndMasks(package, width);
            for (int bit = 0; bit < DataBits(width); ++bit)
                expected.insert("DQ" + std::to_string(bit));
            for (const std::string& name : expected)
                EXPECT_EQ(counts.count(name) ? counts.at(name) : 0, 1) << name;
            // Nothing else on the part is a data line, strobe or mask.
            for (const auto& [name, count] : counts) {
                const SignalClass cls = ClassifySignal(name);
                if (cls == SignalClass::Data || cls == SignalClass::Strobe) {
                    EXPECT_TRUE(expected.count(name)) << name;
                }
            }
        }
    }
}

TEST(DramPackages, CommandAddressAndClockPinsAppearOnceOnEveryWidth)
{
    for (DramPackage package : kDramPackages) {
        const DramPackageData& data = DramPackageInfo(package);
        std::vector<std::string> once = {"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9", "A10/AP",
                                         "A11", "BA0", "BA1", "CK", "/CK", "CKE", "/CS", "/RAS", "/CAS", "/WE"};
        once.push_back(IsDdr3(package) ? "A12/BC" : "A12");
        if (package != DramPackage::DdrTsop66)
            once.insert(once.end(), {"BA2", "ODT", "A13"});
        if (IsDdr2(package))
            once.insert(once.end(), {"VREF", "VDDL", "VSSDL"});
        if (IsDdr3(package))
            once.insert(once.end(), {"A14", "A15", "ZQ", "/RESET", "VREFCA", "VREFDQ"});
        for (DramWidth width : data.widths) {
            SCOPED_TRACE(std::string(data.title) + " " + std::string(DramWidthName(width)));
            const auto counts = NameCounts(data, width);
            for (const std::string& name : once)
                EXPECT_EQ(counts.count(name) ? counts.at(name) : 0, 1) << name;
            EXPECT_GT(counts.at("VDD"), 1);
            EXPECT_GT(counts.at("VSS"), 1);
            EXPECT_GT(counts.at("VDDQ"), 1);
            EXPECT_GT(counts.at("VSSQ"), 1);
        }
    }
}

TEST(DramPackages, NarrowerPartsDifferOnlyInDataStrobesAndMasks)
{
    for (DramPackage package : kDramPackages) {
        const DramPackageData& data = DramPackageInfo(package);
        for (const DramPin& pin : data.pins) {
            for (DramWidth width : data.widths) {
                const std::string_view name = pin.Name(width);
                EXPECT_TRUE(ClassifySignal(name) != SignalClass::Unused || IsUnconnectedName(name))
                    << data.title << " " << pin.position << " " << name;
                const std::string_view widest = pin.Name(data.MainWidth());
                const SignalClass cls = ClassifySignal(widest);
                if (cls != SignalClass::Data && cls != SignalClass::Strobe && !IsUnconnectedName(widest)) {
                    EXPECT_EQ(name, widest) << data.title << " " << pin.position;
                }
            }
        }
    }
}

// The x16 maps repeat the x4/x8 maps further down: the lower byte as the x8
// data rows, then the same command, address and supply rows.
TEST(DramPackages, SixteenBitMapsRepeatTheByteWideMaps)
{
    const std::map<std::string_view, std::string_view> lowerByte = {
        {"DQS", "LDQS"}, {"/DQS", "/LDQS"}, {"DM/RDQS", "LDM"}, {"DM/TDQS", "LDM"}, {"/RDQS", "NC"}};
    struct Pair {
        DramPackage wide;
        DramPackage narrow;
        char firstShared;    // the first x8 row that the x16 map repeats
        std::size_t offset;  // rows between it and its copy
    };
    for (const Pair& pair : {Pair{DramPackage::Ddr2Fbga84, DramPackage::Ddr2Fbga60, 'A', 4},
                             Pair{DramPackage::Ddr3Fbga96, DramPackage::Ddr3Fbga78, 'B', 3}}) {
        const DramPackageData& wide = DramPackageInfo(pair.wide);
        const DramPackageData& narrow = DramPackageInfo(pair.narrow);
        const std::size_t offset = pair.offset;
        ASSERT_EQ(wide.rows.size(), narrow.rows.size() + offset);
        for (std::size_t r = narrow.rows.find(pair.firstShared); r < narrow.rows.size(); ++r) {
            for (int column : narrow.columns) {
                const std::string at8 = narrow.rows[r] + std::to_string(column);
                const std::string at16 = wide.rows[r + offset] + std::to_string(column);
                const DramPin* pin8 = FindDramPin(narrow, at8);
                const DramPin* pin16 = FindDramPin(wide, at16);
                ASSERT_EQ(pin8 == nullptr, pin16 == nullptr) << at8 << " / " << at16;
                if (!pin8)
                    continue;
                std::string_view expected = pin8->Name(DramWidth::X8);
                if (lowerByte.count(expected))
                    expected = lowerByte.at(expected);
                EXPECT_EQ(pin16->Name(DramWidth::X16), expected) << at8 << " / " << at16;
            }
        }
    }
}

TEST(DramPackages, HandCheckedPositions)
{
    struct Check {
        DramPackage package;
        const char* position;
        DramWidth width;
        const char* name;
    };
    using enum DramPackage;
    using enum DramWidth;
    const Check checks[] = {
        {DdrTsop66, "2", X16, "DQ0"},     {DdrTsop66, "5", X4, "DQ0"},     {DdrTsop66, "65", X8, "DQ7"},
        {DdrTsop66, "65", X4, "NC"},      {DdrTsop66, "45", X8, "CK"},     {DdrTsop66, "46", X4, "/CK"},
        {DdrTsop66, "44", X16, "CKE"},    {DdrTsop66, "24", X16, "/CS"},   {DdrTsop66, "47", X8, "DM"},
        {DdrTsop66, "51", X16, "UDQS"},   {DdrTsop66, "49", X4, "VREF"},   {DdrTsop66, "28", X8, "A10/AP"},
        {Ddr2Fbga60, "C8", X8, "DQ0"},    {Ddr2Fbga60, "B7", X4, "DQS"},   {Ddr2Fbga60, "A8", X8, "/DQS"},
        {Ddr2Fbga60, "B3", X4, "DM"},     {Ddr2Fbga60, "B1", X4, "NU"},    {Ddr2Fbga60, "H8", X8, "A0"},
        {Ddr2Fbga60, "F9", X8, "ODT"},    {Ddr2Fbga60, "G8", X8, "/CS"},   {Ddr2Fbga60, "E2", X8, "VREF"},
        {Ddr2Fbga84, "G8", X16, "DQ0"},   {Ddr2Fbga84, "B9", X16, "DQ15"}, {Ddr2Fbga84, "B7", X16, "UDQS"},
        {Ddr2Fbga84, "E8", X16, "/LDQS"}, {Ddr2Fbga84, "F3", X16, "LDM"},  {Ddr2Fbga84, "J8", X16, "CK"},
        {Ddr3Fbga78, "B3", X8, "DQ0"},    {Ddr3Fbga78, "C3", X4, "DQS"},   {Ddr3Fbga78, "K3", X8, "A0"},
        {Ddr3Fbga78, "L7", X8, "A1"},     {Ddr3Fbga78, "J2", X8, "BA0"},   {Ddr3Fbga78, "G9", X8, "CKE"},
        {Ddr3Fbga78, "E7", X4, "NC"},     {Ddr3Fbga78, "B7", X4, "DM"},    {Ddr3Fbga78, "N2", X8, "/RESET"},
        {Ddr3Fbga96, "E3", X16, "DQ0"},   {Ddr3Fbga96, "A3", X16, "DQ15"}, {Ddr3Fbga96, "C7", X16, "UDQS"},
        {Ddr3Fbga96, "G3", X16, "/LDQS"}, {Ddr3Fbga96, "D3", X16, "UDM"},  {Ddr3Fbga96, "L8", X16, "ZQ"},
        {Ddr3Fbga96, "H1", X16, "VREFDQ"}, {Ddr3Fbga96, "T2", X16, "/RESET"},
    };
    for (const Check& check : checks) {
        const DramPin* pin = FindDramPin(DramPackageInfo(check.package), check.position);
        ASSERT_NE(pin, nullptr) << check.position;
        EXPECT_EQ(pin->Name(check.width), check.name) << DramPackageInfo(check.package).title << " " << check.position;
    }
    // DDR2 leaves the corners of the address rows without balls.
    EXPECT_EQ(FindDramPin(DramPackageInfo(Ddr2Fbga60), "F1"), nullptr);
    EXPECT_EQ(FindDramPin(DramPackageInfo(Ddr2Fbga84), "R9"), nullptr);
}
