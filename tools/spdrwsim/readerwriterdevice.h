#pragma once

// The open SPD reader/writer as a model without a port: its firmware's
// commands, replies, timing, quirks and alerts over a bus of modules.

#include "device/spdrwprotocol.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tessaro::spdrwsim {

using spdrw::Bytes;

// One module on the bus: its EEPROM (256, 512 or 1024 bytes, the generation
// follows the size) and its protection.
struct SimModule {
    Bytes bytes;
    std::vector<bool> protectedBlocks;  // 1, 4 or 16 blocks
    bool permanent = false;             // 256-byte modules only: bytes 0-127 for ever
    [[nodiscard]] bool ddr5() const { return bytes.size() == 1024; }
    [[nodiscard]] bool ddr4() const { return bytes.size() == 512; }
    [[nodiscard]] int blockSize() const { return ddr5() ? 64 : 128; }
};

// Number of reversible protection blocks of a module of this many bytes.
[[nodiscard]] int BlockCountForSize(std::size_t size);

enum class Fault {
    None,
    NoReply,          // no reply at all, not even the ready frame
    NackPage,         // the page write of page `faultValue` is refused
    Flip,             // one read reply carries one flipped bit
    FlipWrite,        // the first page written keeps one flipped bit
    BadSum,           // one read reply carries a wrong check byte
    DisconnectAfter,  // the line drops after `faultValue` commands
    StuckBus,         // every command that uses the module bus hangs the firmware
};

struct DeviceSettings {
    std::map<std::uint8_t, SimModule> modules;  // by address 0x50-0x57
    bool offline = false;                       // DDR5 offline mode
    Bytes name;                                 // up to 16 bytes
    std::uint32_t version = spdrw::kOldestVersion;
    // 4: binary commands; 3: the older firmware with letter commands, of which
    // it answers the test ('t') and the version ('v') only.
    int protocol = 4;
    bool fastClock = true;                      // 400 kHz
    bool fast = false;                          // no write cycle, no bus time
    Fault fault = Fault::None;
    int faultValue = 0;
    unsigned seed = 1;
    // A module taken off the bus after this many commands (hot-plug alert).
    std::optional<std::pair<std::uint8_t, int>> removeAfter;
};

// What the device does in answer to one command or event.
struct DeviceOutput {
    Bytes bytes;                          // the reply, then any alerts
    std::chrono::microseconds busy{0};    // the firmware's time before the reply leaves
    bool disconnect = false;              // the line drops instead of the reply
    std::string log;                      // the command as the log names it; empty for none
};

class ReaderWriterDevice
{
public:
    explicit ReaderWriterDevice(DeviceSettings settings);

    // The board starts (power or a reset by the port opening): page state and
    // a hang are gone, the ready frame follows (and the clock alert the
    // firmware sends at start in standard mode).
    DeviceOutput reset();
    // Bytes from the host; one output per command completed.
    std::vector<DeviceOutput> receive(std::span<const std::uint8_t> bytes);
    // The host left a command incomplete for 100 ms: the firmware runs it with
    // the missing argument bytes as 00h.
    std::vector<DeviceOutput> argumentsTimedOut();
    [[nodiscard]] bool commandPending() const { return !m_pending.empty(); }
    [[nodiscard]] bool hung() const { return m_hung; }

    [[nodiscard]] const std::map<std::uint8_t, SimModule>& modules() const { return m_settings.modules; }
    [[nodiscard]] long commandCount() const { return m_commands; }
    [[nodiscard]] std::string faultSummary() const;

private:
    DeviceOutput run(std::uint8_t opcode, const Bytes& args);
    Bytes execute(std::uint8_t opcode, const Bytes& args, std::chrono::microseconds& busy, bool& silent);
    SimModule* moduleAt(int address);
    [[nodiscard]] bool present(int address) const;
    [[nodiscard]] bool anyDdr4() const;
    Bytes readBytes(int address, int offset, int length);
    bool writeBytes(int address, int offset, std::span<const std::uint8_t> data, std::chrono::microseconds& busy);
    std::uint8_t rswp(int address, int block, std::uint8_t op, std::chrono::microseconds& busy);
    std::uint8_t hubRegister(SimModule& module, int reg);
    [[nodiscard]] std::chrono::microseconds busTime(int bytes) const;
    static bool touchesBus(std::uint8_t opcode);

    DeviceSettings m_settings;
    Bytes m_pending;  // opcode and arguments received so far
    bool m_hung = false;
    long m_commands = 0;
    int m_readReplies = 0;  // multi-byte read replies so far
    int m_faultRead = 0;    // the read reply a flip or bad sum strikes (1-based)
    bool m_faultDone = false;
    int m_ddr5Page = 0;
    Bytes m_pendingAlert;  // sent after the reply of the command that caused it
    std::mt19937 m_random;
};

}  // namespace tessaro::spdrwsim
