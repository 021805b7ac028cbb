#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace tessaro::sim {

// What every SPD dump is replaced with, to stand for a line that carries noise.
enum class DumpNoise {
    None,
    Random,   // 512 random bytes 00h-FFh
    Flood,    // 512 "F": a complete hex dump of an image of FFh bytes
    Garbled,  // the real dump with some characters turned into look-alikes that are no hex digits
};

// How often each fault strikes, as a probability 0-1 per chance.
struct FaultRates {
    double flip = 0;        // an SPD dump carries one wrong bit
    double shortReply = 0;  // a reply is cut off
    double drop = 0;        // a reply is not sent at all
    double lostWrite = 0;   // a download row is not stored
};

struct FaultCounts {
    int flipped = 0;
    int shortened = 0;
    int dropped = 0;
    int lostWrites = 0;
};

// Seeded faults of a flaky line or EEPROM: the same seed and the same frames
// give the same faults. Every question draws from the generator only when its
// fault can strike at all, so a fault type that is off leaves the others alone.
class FaultInjector
{
public:
    FaultInjector(FaultRates rates, std::uint32_t seed);

    // Each of these decides one chance and counts the fault when it strikes.
    [[nodiscard]] bool dropReply();
    [[nodiscard]] bool loseWrite();
    // Cuts text to a shorter length when the fault strikes.
    void maybeShorten(std::string& text);
    // Flips one bit of one of the bytes when the fault strikes.
    void maybeFlip(std::uint8_t* bytes, std::size_t count);
    // The dump text as the noise turns it (seeded like the faults).
    [[nodiscard]] std::string noisyDump(DumpNoise noise, const std::string& dump);

    [[nodiscard]] const FaultCounts& counts() const { return m_counts; }
    // "faults: flipped 2, short 1, dropped 0, lost-writes 3"
    [[nodiscard]] std::string summary() const;

private:
    [[nodiscard]] bool strikes(double rate);
    [[nodiscard]] std::uint32_t below(std::uint32_t bound);  // 0 .. bound-1

    FaultRates m_rates;
    std::mt19937 m_random;
    FaultCounts m_counts;
};

}  // namespace tessaro::sim
