#pragma once

#include "decode/bytespan.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

// One decoded fact of an image: a name ("summary.capacityMB", "fields.Trp(1B)",
// "timings.tAA", "checks.crc16_0_125", "profiles.XMP 2.0 #1.speedMTs"), its
// text, and the bytes it is read from where they are known (empty otherwise).
struct ImageFact {
    std::string name;
    std::string text;
    std::vector<ByteSpan> bytes;
};

// The decoded facts of an image of any size, in a fixed order: its size, the
// module summary, then for a 256-byte image the fields of the panel pair a
// settled document window shows (by caption) and its check values, for a
// larger one the timings, CAS latencies, voltage and CRC blocks; last the
// overclocking profiles and warnings. A value the image does not define is
// left out rather than given an empty text.
[[nodiscard]] std::vector<ImageFact> ImageFacts(std::span<const std::uint8_t> data);

// The text of a fact that one image of a comparison does not have.
inline constexpr const char* kMissingFactText = "(none)";

struct FactDifference {
    std::string name;
    std::optional<std::string> a;  // absent where that image has no such fact
    std::optional<std::string> b;
    std::vector<ByteSpan> bytes;   // of a's fact, or of b's when a has none

    // The texts with kMissingFactText for an absent fact.
    [[nodiscard]] std::string aText() const { return a.value_or(kMissingFactText); }
    [[nodiscard]] std::string bText() const { return b.value_or(kMissingFactText); }
};

// The facts whose texts differ (or that only one image has), in a's order, then the facts only b has, in b's order.
[[nodiscard]] std::vector<FactDifference> CompareFacts(const std::vector<ImageFact>& a, const std::vector<ImageFact>& b);

}  // namespace tessaro
