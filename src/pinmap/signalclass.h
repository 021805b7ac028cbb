#pragma once

#include <string_view>

namespace tessaro {

// What a pin of a DRAM package or a module connector carries, for the colours
// and the legend of the pin-map pictures.
enum class SignalClass : unsigned char {
    Data,      // DQ, CB, DM/DQM
    Strobe,    // DQS, /DQS, RDQS, TDQS
    Address,   // A0-A15, A10/AP, BA0-BA2
    Command,   // /RAS, /CAS, /WE, /CS, CKE, ODT, RESET, PAR, ERR_OUT
    Clock,     // CK, /CK, CLK
    Power,     // VDD, VDDQ, VDDL, VDDSPD, VREF, VTT, VCA
    Ground,    // VSS, VSSQ, VSSDL
    Spd,       // SDA, SCL, SA0-SA2, EVENT, WP
    Unused,    // NC, NU, DNU, RFU, KEY and anything not recognised
};

inline constexpr int kSignalClassCount = 9;

// The class of a signal name as the pictures print it ("DQ17", "/RAS",
// "A10/AP", "VDDQ", "NC"); case does not matter, a leading "/" or a trailing
// "#" (active low) is ignored.
[[nodiscard]] SignalClass ClassifySignal(std::string_view name);

// The legend text of a class: "Data", "Strobe", ...
[[nodiscard]] const char* SignalClassName(SignalClass cls);

}  // namespace tessaro
