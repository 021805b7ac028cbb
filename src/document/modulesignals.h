#pragma once

#include <array>
#include <vector>

namespace tessaro {

inline constexpr int kModuleSignalCount = 144;

// The names of the module's 144 signals, by label index (DQ0 is 0, Vtt 143).
[[nodiscard]] const std::array<const char*, kModuleSignalCount>& ModuleSignalNames();
// The label indices as the module I/O panel stands them, row by row (up to
// eight a row): DQ0-DQ7 ... DQ56-DQ63, CB0-CB7, A0-A7, A8-A14, BA0-BA2, ...
[[nodiscard]] const std::vector<std::vector<int>>& ModuleSignalRows();

}  // namespace tessaro
