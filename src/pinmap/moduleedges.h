#pragma once

#include <string_view>
#include <vector>

namespace tessaro {

// The module connectors of the module pin-map pictures.
enum class ModuleEdge {
    DdrDimm184,
    DdrSoDimm200,
    Ddr2Dimm240,
    Ddr2SoDimm200,
    Ddr3Dimm240,
    Ddr3SoDimm204,
};

inline constexpr int kModuleEdgeCount = 6;
inline constexpr ModuleEdge kModuleEdges[kModuleEdgeCount] = {
    ModuleEdge::DdrDimm184,  ModuleEdge::DdrSoDimm200, ModuleEdge::Ddr2Dimm240,
    ModuleEdge::Ddr2SoDimm200, ModuleEdge::Ddr3Dimm240, ModuleEdge::Ddr3SoDimm204,
};

// How the pin numbers run along the two rows of contacts.
enum class EdgeNumbering {
    // DIMM: pins 1..N/2 on the front from left to right, N/2+1..N on the back,
    // pin N/2+1 behind pin 1.
    FrontThenBack,
    // SO-DIMM: odd pins on the front, even pins on the back, pin 2 behind pin 1.
    OddFrontEvenBack,
};

struct ModuleEdgeInfo {
    std::string_view name;   // "DDR2-DIMM240"
    std::string_view title;  // "DDR2 DIMM · 240-pin · unbuffered" (UTF-8)
    int pinCount;
    EdgeNumbering numbering;
    // Contacts per side to the left of the key notch, seen from the front.
    int contactsLeftOfKey;
    bool hasCheckBits;  // CB0-CB7 on the connector
};

[[nodiscard]] const ModuleEdgeInfo& EdgeInfo(ModuleEdge edge);

// The name of connector pin `pin` (1..N) as JEDEC module data print it:
// "DQ17", "/DQS3", "A10/AP", "VDDQ", "NC"; empty outside 1..N.
[[nodiscard]] std::string_view EdgePinName(ModuleEdge edge, int pin);

// Whether `pin` is on the front (the side with pin 1).
[[nodiscard]] bool IsFrontPin(ModuleEdge edge, int pin);
// The contact position of `pin` along its row, 0 at the left end seen from the
// front; a back contact has the position of the front contact it is behind.
[[nodiscard]] int EdgePosition(ModuleEdge edge, int pin);
// The pins of one side in position order, left to right seen from the front.
[[nodiscard]] std::vector<int> EdgeSidePins(ModuleEdge edge, bool front);

// The two pins either side of the key notch on one side: {left, right}.
struct KeyPins {
    int left;
    int right;
};
[[nodiscard]] KeyPins EdgeKeyPins(ModuleEdge edge, bool front);

}  // namespace tessaro
