#include "pinmap/moduleedges.h"

#include <array>
#include <cstddef>

namespace tessaro {

namespace {

// Pin names of each connector, pin 1 first, ten pins a line. The DIMMs are the
// unbuffered (non-registered) pin-outs; where a registered module uses a pin
// that an unbuffered one leaves open (RESET, PAR_IN, ERR_OUT, VTT on DDR3
// pins 48/49) the table says NC.

// DDR SDRAM DIMM, 184 pins: 1-92 front, 93-184 back.
constexpr std::string_view kDdrDimm184[184] = {
    /*   1 */ "VREF", "DQ0", "VSS", "DQ1", "DQS0", "DQ2", "VDD", "DQ3", "NC", "NC",
    /*  11 */ "VSS", "DQ8", "DQ9", "DQS1", "VDDQ", "CK1", "/CK1", "VSS", "DQ10", "DQ11",
    /*  21 */ "CKE0", "VDDQ", "DQ16", "DQ17", "DQS2", "VSS", "A9", "DQ18", "A7", "VDDQ",
    /*  31 */ "DQ19", "A5", "DQ24", "VSS", "DQ25", "DQS3", "A4", "VDD", "DQ26", "DQ27",
    /*  41 */ "A2", "VSS", "A1", "CB0", "CB1", "VDD", "DQS8", "A0", "CB2", "VSS",
    /*  51 */ "CB3", "BA1", "DQ32", "VDDQ", "DQ33", "DQS4", "DQ34", "VSS", "BA0", "DQ35",
    /*  61 */ "DQ40", "VDDQ", "/WE", "DQ41", "/CAS", "VSS", "DQS5", "DQ42", "DQ43", "VDD",
    /*  71 */ "NC", "DQ48", "DQ49", "VSS", "/CK2", "CK2", "VDDQ", "DQS6", "DQ50", "DQ51",
    /*  81 */ "VSS", "VDDID", "DQ56", "DQ57", "VDD", "DQS7", "DQ58", "DQ59", "VSS", "NC",
    /*  91 */ "SDA", "SCL", "VSS", "DQ4", "DQ5", "VDDQ", "DM0", "DQ6", "DQ7", "VSS",
    /* 101 */ "NC", "NC", "A13", "VDDQ", "DQ12", "DQ13", "DM1", "VDD", "DQ14", "DQ15",
    /* 111 */ "CKE1", "VDDQ", "NC", "DQ20", "A12", "VSS", "DQ21", "A11", "DM2", "VDD",
    /* 121 */ "DQ22", "A8", "DQ23", "VSS", "A6", "DQ28", "DQ29", "VDDQ", "DM3", "A3",
    /* 131 */ "DQ30", "VSS", "DQ31", "CB4", "CB5", "VDDQ", "CK0", "/CK0", "VSS", "DM8",
    /* 141 */ "A10/AP", "CB6", "VDDQ", "CB7", "VSS", "DQ36", "DQ37", "VDD", "DM4", "DQ38",
    /* 151 */ "DQ39", "VSS", "DQ44", "/RAS", "DQ45", "VDDQ", "/S0", "/S1", "DM5", "VSS",
    /* 161 */ "DQ46", "DQ47", "NC", "VDDQ", "DQ52", "DQ53", "NC", "VDD", "DM6", "DQ54",
    /* 171 */ "DQ55", "VDDQ", "NC", "DQ60", "DQ61", "VSS", "DM7", "DQ62", "DQ63", "VDDQ",
    /* 181 */ "SA0", "SA1", "SA2", "VDDSPD",
};

// DDR SDRAM SO-DIMM, 200 pins: odd front, even back.
constexpr std::string_view kDdrSoDimm200[200] = {
    /*   1 */ "VREF", "VREF", "VSS", "VSS", "DQ0", "DQ4", "DQ1", "DQ5", "VDD", "VDD",
    /*  11 */ "DQS0", "DM0", "DQ2", "DQ6", "VSS", "VSS", "DQ3", "DQ7", "DQ8", "DQ12",
    /*  21 */ "VDD", "VDD", "DQ9", "DQ13", "DQS1", "DM1", "VSS", "VSS", "DQ10", "DQ14",
    /*  31 */ "DQ11", "DQ15", "VDD", "VDD", "CK0", "VDD", "/CK0", "VSS", "VSS", "VSS",
    /*  41 */ "DQ16", "DQ20", "DQ17", "DQ21", "VDD", "VDD", "DQS2", "DM2", "DQ18", "DQ22",
    /*  51 */ "VSS", "VSS", "DQ19", "DQ23", "DQ24", "DQ28", "VDD", "VDD", "DQ25", "DQ29",
    /*  61 */ "DQS3", "DM3", "VSS", "VSS", "DQ26", "DQ30", "DQ27", "DQ31", "VDD", "VDD",
    /*  71 */ "CB0", "CB4", "CB1", "CB5", "VSS", "VSS", "DQS8", "DM8", "CB2", "CB6",
    /*  81 */ "VDD", "VDD", "CB3", "CB7", "NC", "NC", "VSS", "VSS", "CK2", "VSS",
    /*  91 */ "/CK2", "VDD", "VDD", "VDD", "CKE1", "CKE0", "NC", "NC", "A12", "A11",
    /* 101 */ "A9", "A8", "VSS", "VSS", "A7", "A6", "A5", "A4", "A3", "A2",
    /* 111 */ "A1", "A0", "VDD", "VDD", "A10/AP", "BA1", "BA0", "/RAS", "/WE", "/CAS",
    /* 121 */ "/S0", "/S1", "NC", "NC", "VSS", "VSS", "DQ32", "DQ36", "DQ33", "DQ37",
    /* 131 */ "VDD", "VDD", "DQS4", "DM4", "DQ34", "DQ38", "VSS", "VSS", "DQ35", "DQ39",
    /* 141 */ "DQ40", "DQ44", "VDD", "VDD", "DQ41", "DQ45", "DQS5", "DM5", "VSS", "VSS",
    /* 151 */ "DQ42", "DQ46", "DQ43", "DQ47", "VDD", "VDD", "VDD", "/CK1", "VSS", "CK1",
    /* 161 */ "VSS", "VSS", "DQ48", "DQ52", "DQ49", "DQ53", "VDD", "VDD", "DQS6", "DM6",
    /* 171 */ "DQ50", "DQ54", "VSS", "VSS", "DQ51", "DQ55", "DQ56", "DQ60", "VDD", "VDD",
    /* 181 */ "DQ57", "DQ61", "DQS7", "DM7", "VSS", "VSS", "DQ58", "DQ62", "DQ59", "DQ63",
    /* 191 */ "VDD", "VDD", "SDA", "SA0", "SCL", "SA1", "VDDSPD", "SA2", "VDDID", "NC",
};

// DDR2 SDRAM DIMM, 240 pins: 1-120 front, 121-240 back.
constexpr std::string_view kDdr2Dimm240[240] = {
    /*   1 */ "VREF", "VSS", "DQ0", "DQ1", "VSS", "/DQS0", "DQS0", "VSS", "DQ2", "DQ3",
    /*  11 */ "VSS", "DQ8", "DQ9", "VSS", "/DQS1", "DQS1", "VSS", "NC", "NC", "VSS",
    /*  21 */ "DQ10", "DQ11", "VSS", "DQ16", "DQ17", "VSS", "/DQS2", "DQS2", "VSS", "DQ18",
    /*  31 */ "DQ19", "VSS", "DQ24", "DQ25", "VSS", "/DQS3", "DQS3", "VSS", "DQ26", "DQ27",
    /*  41 */ "VSS", "CB0", "CB1", "VSS", "/DQS8", "DQS8", "VSS", "CB2", "CB3", "VSS",
    /*  51 */ "VDDQ", "CKE0", "VDD", "BA2", "NC", "VDDQ", "A11", "A7", "VDD", "A5",
    /*  61 */ "A4", "VDDQ", "A2", "VDD", "VSS", "VSS", "VDD", "NC", "VDD", "A10/AP",
    /*  71 */ "BA0", "VDDQ", "/WE", "/CAS", "VDDQ", "/S1", "ODT1", "VDDQ", "VSS", "DQ32",
    /*  81 */ "DQ33", "VSS", "/DQS4", "DQS4", "VSS", "DQ34", "DQ35", "VSS", "DQ40", "DQ41",
    /*  91 */ "VSS", "/DQS5", "DQS5", "VSS", "DQ42", "DQ43", "VSS", "DQ48", "DQ49", "VSS",
    /* 101 */ "SA2", "NC", "VSS", "/DQS6", "DQS6", "VSS", "DQ50", "DQ51", "VSS", "DQ56",
    /* 111 */ "DQ57", "VSS", "/DQS7", "DQS7", "VSS", "DQ58", "DQ59", "VSS", "SDA", "SCL",
    /* 121 */ "VSS", "DQ4", "DQ5", "VSS", "DM0", "NC", "VSS", "DQ6", "DQ7", "VSS",
    /* 131 */ "DQ12", "DQ13", "VSS", "DM1", "NC", "VSS", "CK1", "/CK1", "VSS", "DQ14",
    /* 141 */ "DQ15", "VSS", "DQ20", "DQ21", "VSS", "DM2", "NC", "VSS", "DQ22", "DQ23",
    /* 151 */ "VSS", "DQ28", "DQ29", "VSS", "DM3", "NC", "VSS", "DQ30", "DQ31", "VSS",
    /* 161 */ "CB4", "CB5", "VSS", "DM8", "NC", "VSS", "CB6", "CB7", "VSS", "VDDQ",
    /* 171 */ "CKE1", "VDD", "NC", "NC", "VDDQ", "A12", "A9", "VDD", "A8", "A6",
    /* 181 */ "VDDQ", "A3", "A1", "VDD", "CK0", "/CK0", "VDD", "A0", "VDD", "BA1",
    /* 191 */ "VDDQ", "/RAS", "/S0", "VDDQ", "ODT0", "A13", "VDD", "VSS", "DQ36", "DQ37",
    /* 201 */ "VSS", "DM4", "NC", "VSS", "DQ38", "DQ39", "VSS", "DQ44", "DQ45", "VSS",
    /* 211 */ "DM5", "NC", "VSS", "DQ46", "DQ47", "VSS", "DQ52", "DQ53", "VSS", "CK2",
    /* 221 */ "/CK2", "VSS", "DM6", "NC", "VSS", "DQ54", "DQ55", "VSS", "DQ60", "DQ61",
    /* 231 */ "VSS", "DM7", "NC", "VSS", "DQ62", "DQ63", "VSS", "VDDSPD", "SA0", "SA1",
};

// DDR2 SDRAM SO-DIMM, 200 pins: odd front, even back.
constexpr std::string_view kDdr2SoDimm200[200] = {
    /*   1 */ "VREF", "VSS", "VSS", "DQ4", "DQ0", "DQ5", "DQ1", "VSS", "VSS", "DM0",
    /*  11 */ "/DQS0", "VSS", "DQS0", "DQ6", "VSS", "DQ7", "DQ2", "VSS", "DQ3", "DQ12",
    /*  21 */ "VSS", "DQ13", "DQ8", "VSS", "DQ9", "DM1", "VSS", "VSS", "/DQS1", "CK0",
    /*  31 */ "DQS1", "/CK0", "VSS", "VSS", "DQ10", "DQ14", "DQ11", "DQ15", "VSS", "VSS",
    /*  41 */ "VSS", "VSS", "DQ16", "DQ20", "DQ17", "DQ21", "VSS", "VSS", "/DQS2", "NC",
    /*  51 */ "DQS2", "DM2", "VSS", "VSS", "DQ18", "DQ22", "DQ19", "DQ23", "VSS", "VSS",
    /*  61 */ "DQ24", "DQ28", "DQ25", "DQ29", "VSS", "VSS", "DM3", "/DQS3", "NC", "DQS3",
    /*  71 */ "VSS", "VSS", "DQ26", "DQ30", "DQ27", "DQ31", "VSS", "VSS", "CKE0", "CKE1",
    /*  81 */ "VDD", "VDD", "NC", "NC", "BA2", "NC", "VDD", "VDD", "A12", "A11",
    /*  91 */ "A9", "A7", "A8", "A6", "VDD", "VDD", "A5", "A4", "A3", "A2",
    /* 101 */ "A1", "A0", "VDD", "VDD", "A10/AP", "BA1", "BA0", "/RAS", "/WE", "/S0",
    /* 111 */ "VDD", "VDD", "/CAS", "ODT0", "/S1", "A13", "VDD", "VDD", "ODT1", "NC",
    /* 121 */ "VSS", "VSS", "DQ32", "DQ36", "DQ33", "DQ37", "VSS", "VSS", "/DQS4", "DM4",
    /* 131 */ "DQS4", "VSS", "VSS", "DQ38", "DQ34", "DQ39", "DQ35", "VSS", "VSS", "DQ44",
    /* 141 */ "DQ40", "DQ45", "DQ41", "VSS", "VSS", "/DQS5", "DM5", "DQS5", "VSS", "VSS",
    /* 151 */ "DQ42", "DQ46", "DQ43", "DQ47", "VSS", "VSS", "DQ48", "DQ52", "DQ49", "DQ53",
    /* 161 */ "VSS", "VSS", "NC", "CK1", "VSS", "/CK1", "/DQS6", "VSS", "DQS6", "DM6",
    /* 171 */ "VSS", "VSS", "DQ50", "DQ54", "DQ51", "DQ55", "VSS", "VSS", "DQ56", "DQ60",
    /* 181 */ "DQ57", "DQ61", "VSS", "VSS", "DM7", "/DQS7", "VSS", "DQS7", "DQ58", "VSS",
    /* 191 */ "DQ59", "DQ62", "VSS", "DQ63", "SDA", "VSS", "SCL", "SA0", "VDDSPD", "SA1",
};

// DDR3 SDRAM DIMM, 240 pins: 1-120 front, 121-240 back.
constexpr std::string_view kDdr3Dimm240[240] = {
    /*   1 */ "VREFDQ", "VSS", "DQ0", "DQ1", "VSS", "/DQS0", "DQS0", "VSS", "DQ2", "DQ3",
    /*  11 */ "VSS", "DQ8", "DQ9", "VSS", "/DQS1", "DQS1", "VSS", "DQ10", "DQ11", "VSS",
    /*  21 */ "DQ16", "DQ17", "VSS", "/DQS2", "DQS2", "VSS", "DQ18", "DQ19", "VSS", "DQ24",
    /*  31 */ "DQ25", "VSS", "/DQS3", "DQS3", "VSS", "DQ26", "DQ27", "VSS", "CB0", "CB1",
    /*  41 */ "VSS", "/DQS8", "DQS8", "VSS", "CB2", "CB3", "VSS", "NC", "NC", "CKE0",
    /*  51 */ "VDD", "BA2", "NC", "VDD", "A11", "A7", "VDD", "A5", "A4", "VDD",
    /*  61 */ "A2", "VDD", "CK1", "/CK1", "VDD", "VDD", "VREFCA", "NC", "VDD", "A10/AP",
    /*  71 */ "BA0", "VDD", "/WE", "/CAS", "VDD", "/S1", "ODT1", "VDD", "NC", "VSS",
    /*  81 */ "DQ32", "DQ33", "VSS", "/DQS4", "DQS4", "VSS", "DQ34", "DQ35", "VSS", "DQ40",
    /*  91 */ "DQ41", "VSS", "/DQS5", "DQS5", "VSS", "DQ42", "DQ43", "VSS", "DQ48", "DQ49",
    /* 101 */ "VSS", "/DQS6", "DQS6", "VSS", "DQ50", "DQ51", "VSS", "DQ56", "DQ57", "VSS",
    /* 111 */ "/DQS7", "DQS7", "VSS", "DQ58", "DQ59", "VSS", "SA0", "SCL", "SA2", "VTT",
    /* 121 */ "VSS", "DQ4", "DQ5", "VSS", "DM0", "NC", "VSS", "DQ6", "DQ7", "VSS",
    /* 131 */ "DQ12", "DQ13", "VSS", "DM1", "NC", "VSS", "DQ14", "DQ15", "VSS", "DQ20",
    /* 141 */ "DQ21", "VSS", "DM2", "NC", "VSS", "DQ22", "DQ23", "VSS", "DQ28", "DQ29",
    /* 151 */ "VSS", "DM3", "NC", "VSS", "DQ30", "DQ31", "VSS", "CB4", "CB5", "VSS",
    /* 161 */ "DM8", "NC", "VSS", "CB6", "CB7", "VSS", "NC", "/RESET", "CKE1", "VDD",
    /* 171 */ "A15", "A14", "VDD", "A12/BC", "A9", "VDD", "A8", "A6", "VDD", "A3",
    /* 181 */ "A1", "VDD", "VDD", "CK0", "/CK0", "VDD", "NC", "A0", "VDD", "BA1",
    /* 191 */ "VDD", "/RAS", "/S0", "VDD", "ODT0", "A13", "VDD", "NC", "VSS", "DQ36",
    /* 201 */ "DQ37", "VSS", "DM4", "NC", "VSS", "DQ38", "DQ39", "VSS", "DQ44", "DQ45",
    /* 211 */ "VSS", "DM5", "NC", "VSS", "DQ46", "DQ47", "VSS", "DQ52", "DQ53", "VSS",
    /* 221 */ "DM6", "NC", "VSS", "DQ54", "DQ55", "VSS", "DQ60", "DQ61", "VSS", "DM7",
    /* 231 */ "NC", "VSS", "DQ62", "DQ63", "VSS", "VDDSPD", "SA1", "SDA", "VSS", "VTT",
};

// DDR3 SDRAM SO-DIMM, 204 pins: odd front, even back.
constexpr std::string_view kDdr3SoDimm204[204] = {
    /*   1 */ "VREFDQ", "VSS", "VSS", "DQ4", "DQ0", "DQ5", "DQ1", "VSS", "VSS", "/DQS0",
    /*  11 */ "DM0", "DQS0", "VSS", "VSS", "DQ2", "DQ6", "DQ3", "DQ7", "VSS", "VSS",
    /*  21 */ "DQ8", "DQ12", "DQ9", "DQ13", "VSS", "VSS", "/DQS1", "DM1", "DQS1", "/RESET",
    /*  31 */ "VSS", "VSS", "DQ10", "DQ14", "DQ11", "DQ15", "VSS", "VSS", "DQ16", "DQ20",
    /*  41 */ "DQ17", "DQ21", "VSS", "VSS", "/DQS2", "DM2", "DQS2", "VSS", "VSS", "DQ22",
    /*  51 */ "DQ18", "DQ23", "DQ19", "VSS", "VSS", "DQ28", "DQ24", "DQ29", "DQ25", "VSS",
    /*  61 */ "VSS", "/DQS3", "DM3", "DQS3", "VSS", "VSS", "DQ26", "DQ30", "DQ27", "DQ31",
    /*  71 */ "VSS", "VSS", "CKE0", "CKE1", "VDD", "VDD", "NC", "A15", "BA2", "A14",
    /*  81 */ "VDD", "VDD", "A12/BC", "A11", "A9", "A7", "VDD", "VDD", "A8", "A6",
    /*  91 */ "A5", "A4", "VDD", "VDD", "A3", "A2", "A1", "A0", "VDD", "VDD",
    /* 101 */ "CK0", "CK1", "/CK0", "/CK1", "VDD", "VDD", "A10/AP", "BA1", "BA0", "/RAS",
    /* 111 */ "VDD", "VDD", "/WE", "/S0", "/CAS", "ODT0", "VDD", "VDD", "A13", "ODT1",
    /* 121 */ "/S1", "NC", "VDD", "VDD", "TEST", "VREFCA", "VSS", "VSS", "DQ32", "DQ36",
    /* 131 */ "DQ33", "DQ37", "VSS", "VSS", "/DQS4", "DM4", "DQS4", "VSS", "VSS", "DQ38",
    /* 141 */ "DQ34", "DQ39", "DQ35", "VSS", "VSS", "DQ44", "DQ40", "DQ45", "DQ41", "VSS",
    /* 151 */ "VSS", "/DQS5", "DM5", "DQS5", "VSS", "VSS", "DQ42", "DQ46", "DQ43", "DQ47",
    /* 161 */ "VSS", "VSS", "DQ48", "DQ52", "DQ49", "DQ53", "VSS", "VSS", "/DQS6", "DM6",
    /* 171 */ "DQS6", "VSS", "VSS", "DQ54", "DQ50", "DQ55", "DQ51", "VSS", "VSS", "DQ60",
    /* 181 */ "DQ56", "DQ61", "DQ57", "VSS", "VSS", "/DQS7", "DM7", "DQS7", "VSS", "VSS",
    /* 191 */ "DQ58", "DQ62", "DQ59", "DQ63", "VSS", "VSS", "SA0", "/EVENT", "VDDSPD", "SDA",
    /* 201 */ "SA1", "SCL", "VTT", "VTT",
};

struct EdgeTable {
    ModuleEdgeInfo info;
    const std::string_view* names;
};

constexpr std::array<EdgeTable, kModuleEdgeCount> kEdges = {{
    {{"DDR-DIMM184", "DDR DIMM \u00b7 184-pin \u00b7 unbuffered", 184, EdgeNumbering::FrontThenBack, 52, true},
     kDdrDimm184},
    {{"DDR-SODIMM200", "DDR SO-DIMM \u00b7 200-pin", 200, EdgeNumbering::OddFrontEvenBack, 20, true}, kDdrSoDimm200},
    {{"DDR2-DIMM240", "DDR2 DIMM \u00b7 240-pin \u00b7 unbuffered", 240, EdgeNumbering::FrontThenBack, 64, true},
     kDdr2Dimm240},
    {{"DDR2-SODIMM200", "DDR2 SO-DIMM \u00b7 200-pin", 200, EdgeNumbering::OddFrontEvenBack, 20, false},
     kDdr2SoDimm200},
    {{"DDR3-DIMM240", "DDR3 DIMM \u00b7 240-pin \u00b7 unbuffered", 240, EdgeNumbering::FrontThenBack, 48, true},
     kDdr3Dimm240},
    {{"DDR3-SODIMM204", "DDR3 SO-DIMM \u00b7 204-pin", 204, EdgeNumbering::OddFrontEvenBack, 36, false},
     kDdr3SoDimm204},
}};

const EdgeTable& Table(ModuleEdge edge)
{
    return kEdges[static_cast<std::size_t>(edge)];
}

// The pin at `position` (0-based) on one side.
int PinAt(const ModuleEdgeInfo& info, bool front, int position)
{
    if (info.numbering == EdgeNumbering::FrontThenBack)
        return front ? position + 1 : info.pinCount / 2 + position + 1;
    return front ? 2 * position + 1 : 2 * position + 2;
}

}  // namespace

const ModuleEdgeInfo& EdgeInfo(ModuleEdge edge)
{
    return Table(edge).info;
}

std::string_view EdgePinName(ModuleEdge edge, int pin)
{
    const EdgeTable& table = Table(edge);
    if (pin < 1 || pin > table.info.pinCount)
        return {};
    return table.names[pin - 1];
}

bool IsFrontPin(ModuleEdge edge, int pin)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    if (info.numbering == EdgeNumbering::FrontThenBack)
        return pin <= info.pinCount / 2;
    return pin % 2 == 1;
}

int EdgePosition(ModuleEdge edge, int pin)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    if (info.numbering == EdgeNumbering::FrontThenBack)
        return (pin - 1) % (info.pinCount / 2);
    return (pin - 1) / 2;
}

std::vector<int> EdgeSidePins(ModuleEdge edge, bool front)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    std::vector<int> pins;
    pins.reserve(static_cast<std::size_t>(info.pinCount / 2));
    for (int position = 0; position < info.pinCount / 2; ++position)
        pins.push_back(PinAt(info, front, position));
    return pins;
}

KeyPins EdgeKeyPins(ModuleEdge edge, bool front)
{
    const ModuleEdgeInfo& info = EdgeInfo(edge);
    return {PinAt(info, front, info.contactsLeftOfKey - 1), PinAt(info, front, info.contactsLeftOfKey)};
}

}  // namespace tessaro
