#pragma once

#include "decode/decodedview.h"

#include <cstdint>
#include <functional>

namespace tessaro {

// How the operator enters numbers: "Dec Mode" or "Hex Mode".
enum class NumberInputMode : std::uint8_t { Decimal, Hexadecimal };

// The application-wide values, one copy shared by the main window and every
// document window. Booleans here are plain bool; the status of a flag is what
// matters, not its 16-bit representation.
struct AppValues {
    bool operatorAuthorized = false;  // the password entry accepted a password in this run
    bool deviceIdle = true;           // no programmer command runs or is being started
    bool deviceCommandRunning = false;  // the programmer link runs a command (until its messages are shown)
    DecodeContext decode;             // memory type and module form of the image decoded last
    std::int16_t testPassCount = 0;
    std::int16_t testFailCount = 0;
    std::uint8_t currentCommPort = 1;  // 1-4
    NumberInputMode numberInputMode = NumberInputMode::Decimal;
    int fillStart = 255;               // first byte the fill box writes
    int documentCount = 0;             // windows created since start-up ("SPD_File n" numbering)
};

// Runs `command` when no other programmer command runs, with the programmer
// marked busy meanwhile; false, with nothing run, when one runs already. A
// command of the link that `command` started keeps the programmer busy until
// the link ends it. The window that started the command may close while it
// runs.
inline bool RunWhenDeviceIdle(AppValues& app, const std::function<void()>& command)
{
    if (!app.deviceIdle)
        return false;
    app.deviceIdle = false;
    command();
    app.deviceIdle = !app.deviceCommandRunning;
    return true;
}

}  // namespace tessaro
