#pragma once

namespace tessaro {

// The module's signals as the module tester numbers them (DQ0 is 0, Vtt 143):
// the bitmaps of a test record and the signal table of the pin maps both
// count this many.
inline constexpr int kModuleSignalCount = 144;

// What a test record says of one signal: not named, passed, failed.
enum class PinMark : unsigned char { None, Pass, Fail };

}  // namespace tessaro
