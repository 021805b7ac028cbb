#include "pinmap/signalclass.h"

#include <cctype>
#include <string>

namespace tessaro {

namespace {

std::string Normalised(std::string_view name)
{
    std::string s;
    for (char c : name) {
        if (c == ' ')
            continue;
        s.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    while (!s.empty() && (s.front() == '/' || s.front() == '#'))
        s.erase(s.begin());
    while (!s.empty() && s.back() == '#')
        s.pop_back();
    return s;
}

bool StartsWith(const std::string& s, std::string_view prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// "A12", "BA2", "A10/AP", "A12/BC": an address line.
bool IsAddress(const std::string& s)
{
    std::size_t i = 0;
    if (StartsWith(s, "BA"))
        i = 2;
    else if (StartsWith(s, "A"))
        i = 1;
    else
        return false;
    if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i])))
        return false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i;
    return i == s.size() || s[i] == '/';
}

}  // namespace

SignalClass ClassifySignal(std::string_view name)
{
    const std::string s = Normalised(name);
    if (s.empty())
        return SignalClass::Unused;
    for (std::string_view unused : {"NC", "NU", "DNU", "DU", "RFU", "KEY", "N/C"}) {
        if (s == unused || StartsWith(s, std::string(unused) + "/") || StartsWith(s, std::string(unused) + "("))
            return SignalClass::Unused;
    }
    if (StartsWith(s, "VSS") || s == "GND")
        return SignalClass::Ground;
    if (StartsWith(s, "VDD") || StartsWith(s, "VREF") || StartsWith(s, "VTT") || StartsWith(s, "VCA") ||
        StartsWith(s, "VPP") || StartsWith(s, "VCC"))
        return SignalClass::Power;
    if (StartsWith(s, "DQS") || StartsWith(s, "RDQS") || StartsWith(s, "TDQS") || StartsWith(s, "UDQS") ||
        StartsWith(s, "LDQS"))
        return SignalClass::Strobe;
    if (StartsWith(s, "DQ") || StartsWith(s, "CB") || StartsWith(s, "DM") || StartsWith(s, "UDM") ||
        StartsWith(s, "LDM"))
        return SignalClass::Data;
    if (StartsWith(s, "SDA") || StartsWith(s, "SCL") || StartsWith(s, "SA") || StartsWith(s, "EVENT") ||
        s == "WP")
        return SignalClass::Spd;
    if (IsAddress(s))
        return SignalClass::Address;
    if (StartsWith(s, "CK") && !StartsWith(s, "CKE"))
        return SignalClass::Clock;
    if (StartsWith(s, "CLK"))
        return SignalClass::Clock;
    if (StartsWith(s, "RAS") || StartsWith(s, "CAS") || StartsWith(s, "WE") || StartsWith(s, "CS") ||
        StartsWith(s, "S0") || StartsWith(s, "S1") || StartsWith(s, "S2") || StartsWith(s, "S3") ||
        StartsWith(s, "CKE") || StartsWith(s, "ODT") || StartsWith(s, "RESET") || StartsWith(s, "PAR") ||
        StartsWith(s, "ERR") || StartsWith(s, "ZQ") || StartsWith(s, "TEST") || StartsWith(s, "FETEN") ||
        StartsWith(s, "REGE"))
        return SignalClass::Command;
    return SignalClass::Unused;
}

const char* SignalClassName(SignalClass cls)
{
    switch (cls) {
    case SignalClass::Data: return "Data";
    case SignalClass::Strobe: return "Strobe";
    case SignalClass::Address: return "Address / bank";
    case SignalClass::Command: return "Command / control";
    case SignalClass::Clock: return "Clock";
    case SignalClass::Power: return "Power / reference";
    case SignalClass::Ground: return "Ground";
    case SignalClass::Spd: return "SPD bus";
    case SignalClass::Unused: return "Not connected";
    }
    return "";
}

}  // namespace tessaro
