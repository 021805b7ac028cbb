#pragma once

#include "core/signalmarks.h"
#include "pinmap/moduleedges.h"

#include <array>
#include <string>
#include <vector>

namespace tessaro {

// The names of the module's 144 signals, by label index (DQ0 is 0, Vtt 143).
[[nodiscard]] const std::array<const char*, kModuleSignalCount>& ModuleSignalNames();
// The label indices as the module I/O panel stands them, row by row (up to
// eight a row): DQ0-DQ7 ... DQ56-DQ63, CB0-CB7, A0-A7, A8-A14, BA0-BA2, ...
[[nodiscard]] const std::vector<std::vector<int>>& ModuleSignalRows();

// The connector of the image last decoded, from the byte 2 and module form the
// decoder kept of it; first match wins: DDR2 small outline, DDR3 small
// outline, DDR3, DDR, anything else DDR2 DIMM 240.
[[nodiscard]] ModuleEdge ConnectorFor(int memoryType, int moduleForm);

// The connector pin of signal `index` (0-143), or 0 where the connector has
// none (and for an index outside 0-143). The signal labels name no pins of the
// DDR SO-DIMM 200, which the tool tips never show: 0 for all its signals.
[[nodiscard]] int ModuleSignalPin(ModuleEdge connector, int index);

// The tool tip of a signal label: "Pin 122", or a run of spaces where the
// connector has no pin.
[[nodiscard]] std::string ModuleSignalTip(ModuleEdge connector, int index);

}  // namespace tessaro
