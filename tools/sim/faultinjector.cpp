#include "faultinjector.h"

#include <algorithm>

namespace tessaro::sim {

FaultInjector::FaultInjector(FaultRates rates, std::uint32_t seed)
    : m_rates(rates), m_random(seed)
{
}

bool FaultInjector::strikes(double rate)
{
    if (rate <= 0)
        return false;
    // The generator's own output, not a distribution: the standard fixes
    // mt19937's sequence but not how the library's distributions use it.
    const double draw = static_cast<double>(m_random()) / 4294967296.0;
    return draw < rate;
}

std::uint32_t FaultInjector::below(std::uint32_t bound)
{
    return bound == 0 ? 0 : static_cast<std::uint32_t>(m_random() % bound);
}

bool FaultInjector::dropReply()
{
    if (!strikes(m_rates.drop))
        return false;
    ++m_counts.dropped;
    return true;
}

bool FaultInjector::loseWrite()
{
    if (!strikes(m_rates.lostWrite))
        return false;
    ++m_counts.lostWrites;
    return true;
}

void FaultInjector::maybeShorten(std::string& text)
{
    if (text.empty() || !strikes(m_rates.shortReply))
        return;
    text.resize(below(static_cast<std::uint32_t>(text.size())));
    ++m_counts.shortened;
}

void FaultInjector::maybeFlip(std::uint8_t* bytes, std::size_t count)
{
    if (count == 0 || !strikes(m_rates.flip))
        return;
    const std::uint32_t bit = below(static_cast<std::uint32_t>(count * 8));
    bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    ++m_counts.flipped;
}

std::string FaultInjector::noisyDump(DumpNoise noise, const std::string& dump)
{
    switch (noise) {
    case DumpNoise::None:
        return dump;
    case DumpNoise::Flood:
        return std::string(dump.size(), 'F');
    case DumpNoise::Random: {
        std::string text(dump.size(), '\0');
        for (char& c : text)
            c = static_cast<char>(m_random() & 0xFF);
        return text;
    }
    case DumpNoise::Garbled: {
        // About one character in 32, and always at least one, becomes a
        // look-alike of a digit or a stray separator.
        static constexpr char kLookAlikes[] = "GHIJKOSZlo:;. ";
        std::string text = dump;
        const std::uint32_t count = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(text.size() / 32));
        for (std::uint32_t i = 0; i < count && !text.empty(); ++i)
            text[below(static_cast<std::uint32_t>(text.size()))] = kLookAlikes[below(sizeof kLookAlikes - 1)];
        return text;
    }
    }
    return dump;
}

std::string FaultInjector::summary() const
{
    return "faults: flipped " + std::to_string(m_counts.flipped) + ", short " + std::to_string(m_counts.shortened) +
           ", dropped " + std::to_string(m_counts.dropped) + ", lost-writes " + std::to_string(m_counts.lostWrites);
}

}  // namespace tessaro::sim
