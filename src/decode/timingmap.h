#pragma once

#include "decode/moduledecode.h"
#include "decode/spdbytes.h"

#include <optional>
#include <span>
#include <vector>

namespace tessaro {

// How SPD bytes hold a time. Offsets count from the first byte of the block
// that holds it: the image for the JEDEC timings, the profile for a profile's.
enum class TimeForm {
    MediumFine,  // byte a x 125 ps plus the signed fine correction of byte b (1 ps steps)
    Nibble,      // 12 bits, a nibble of byte a above byte b, x 125 ps; plus the signed fine byte c when c >= 0
    Word,        // 16 bits at a, low byte first, in units of `unit` ps
};

struct TimeCoding {
    TimeForm form = TimeForm::Word;
    int a = 0;
    int b = 0;
    int c = -1;
    bool highNibble = false;
    int unit = 1;
};

struct TimingPlace {
    TimingName name;
    TimeCoding coding;
};

// The blocks of timings: the JEDEC bytes of DDR4 and DDR5, and one profile of
// XMP 2.0, XMP 3.0 or EXPO.
enum class TimingBlock { Ddr4, Xmp2, Ddr5, Xmp3, Expo };

// Where a block keeps each of its timings, the clock period first.
[[nodiscard]] std::span<const TimingPlace> TimingPlaces(TimingBlock block);

// The coding with its offsets counted from the image's first byte, for a block at base.
[[nodiscard]] TimeCoding CodingAt(const TimeCoding& coding, int base);

// The time in ps that a block at base holds.
[[nodiscard]] int ReadTime(const SpdBytes& bytes, int base, const TimeCoding& coding);

// Sets every time of a block at base into timings; the clock period only when withClock.
void ReadTimings(const SpdBytes& bytes, TimingBlock block, int base, TimingSet& timings, bool withClock);

// Where a block keeps its CAS latencies: a little-endian bitmap of `bytes`
// bytes at `at` whose bit i (i < count) stands for CL first + step x i. DDR4's
// JEDEC bitmap has a range bit (bit 7 of its last byte): set, the list starts at 23.
struct CasCoding {
    int at = 0;
    int bytes = 0;
    int count = 0;
    int first = 0;
    int step = 1;
    bool rangeBit = false;
};

// None for EXPO, which keeps no CAS latencies.
[[nodiscard]] std::optional<CasCoding> CasPlace(TimingBlock block);

// The first CAS latency of the bitmap's range as the bytes of a block at base set it.
[[nodiscard]] int CasFirst(const SpdBytes& bytes, int base, const CasCoding& coding);

[[nodiscard]] std::vector<int> ReadCasLatencies(const SpdBytes& bytes, int base, const CasCoding& coding);

}  // namespace tessaro
