#pragma once

// The serial protocol of the open SPD reader/writer (firmware 20231207 and
// later of its binary-opcode generation): requests, reply frames, alerts and
// the version check. No Qt: the driver, the simulator and the tests share it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro::spdrw {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kBaudRate = 115200;
inline constexpr std::uint32_t kOldestVersion = 20231207;
inline constexpr int kMaxReadLength = 32;   // bytes per read command
inline constexpr int kPageSize = 16;        // bytes per page write, aligned
inline constexpr int kMaxNameLength = 16;
inline constexpr std::uint8_t kFirstAddress = 0x50;
inline constexpr std::uint8_t kLastAddress = 0x57;

enum class Opcode : std::uint8_t {
    ReadByte = 0x02,      // addr, offHi, offLo, len -> len bytes
    WriteByte = 0x03,     // addr, offHi, offLo, value -> bool
    WritePage = 0x04,     // addr, offHi, offLo, len, data[len] -> bool
    WriteTest = 0x05,     // addr, offHi, offLo -> bool
    Ddr4Detect = 0x06,    // addr -> bool
    Ddr5Detect = 0x07,    // addr -> bool
    Spd5HubReg = 0x08,    // addr, reg, op [, value] -> value or bool
    Size = 0x09,          // addr -> 0..3 (0, 256, 512, 1024 bytes)
    ScanBus = 0x0A,       // -> bit i: 0x50 + i answers
    BusClock = 0x0B,      // mode (0 standard, 1 fast, FFh get) -> bool or mode
    ProbeAddress = 0x0C,  // addr -> bool
    PinControl = 0x0D,    // pin, op -> bool or state
    PinReset = 0x0E,      // -> bool
    Rswp = 0x0F,          // addr, block, op (1 set, 0 clear all, FFh get) -> bool
    Pswp = 0x10,          // addr, op (1 set, FFh get: 1 = not set) -> bool
    RswpReport = 0x11,    // -> capability bits
    Version = 0x12,       // -> 4 bytes, least significant first
    Test = 0x13,          // -> 01h
    Name = 0x14,          // FFh (get) or n, n bytes (set) -> name or bool
    FactoryReset = 0x15,  // -> bool
};

inline constexpr std::uint8_t kGet = 0xFF;
inline constexpr std::uint8_t kSet = 0x01;
inline constexpr std::uint8_t kClear = 0x00;

inline constexpr std::uint8_t kFrameStart = 0x26;  // '&'
inline constexpr std::uint8_t kAlertStart = 0x40;  // '@'

// RswpReport bits.
inline constexpr std::uint8_t kReportDdr5Offline = 0x20;
inline constexpr std::uint8_t kReportHighVoltage = 0x10;
inline constexpr std::uint8_t kReportSa1 = 0x08;

// The unsolicited two-byte messages: '@' and one of these.
enum class Alert : std::uint8_t {
    MoreDevices = '+',
    FewerDevices = '-',
    ClockRaised = '/',
    ClockLowered = '\\',
};
[[nodiscard]] bool IsAlertCode(std::uint8_t code);
// "a module was inserted", "the bus clock was lowered", ...
[[nodiscard]] const char* AlertText(Alert alert);

// Requests. Offsets go most significant byte first.
[[nodiscard]] Bytes Request(Opcode op, std::initializer_list<std::uint8_t> arguments = {});
[[nodiscard]] Bytes ReadRequest(std::uint8_t address, int offset, int length);
[[nodiscard]] Bytes WritePageRequest(std::uint8_t address, int offset, std::span<const std::uint8_t> data);
[[nodiscard]] Bytes NameGetRequest();
// The argument bytes that follow an opcode, given the bytes already received
// after it (WritePage, Spd5HubReg and Name set read more than their fixed
// part); nullopt for an opcode the firmware ignores.
[[nodiscard]] std::optional<int> ArgumentCount(std::uint8_t opcode, std::span<const std::uint8_t> received);

// Replies: '&', length 1-32, body, sum of the body bytes modulo 256.
[[nodiscard]] std::uint8_t BodySum(std::span<const std::uint8_t> body);
[[nodiscard]] Bytes Frame(std::span<const std::uint8_t> body);
[[nodiscard]] Bytes AlertBytes(Alert alert);
// The reply the firmware sends when it starts, the same as the test reply.
[[nodiscard]] Bytes ReadyFrame();

// Splits what arrives from the device into frames and alerts. A byte that
// starts neither, a length outside 1-32 and a wrong sum are errors; after an
// error the reader holds nothing (the caller drops what follows).
class ReplyReader
{
public:
    struct Event {
        enum class Kind { Frame, Alert, Error };
        Kind kind = Kind::Frame;
        Bytes body;         // a frame's body
        Alert alert{};      // an alert
        std::string error;  // an error, one line
    };

    void append(std::span<const std::uint8_t> bytes);
    void append(const std::string& bytes);
    // The next complete frame, alert or error; nullopt while incomplete.
    [[nodiscard]] std::optional<Event> next();
    [[nodiscard]] bool empty() const { return m_buffer.empty(); }
    void clear() { m_buffer.clear(); }

private:
    Bytes m_buffer;
};

// A version body: four bytes, least significant first.
[[nodiscard]] std::optional<std::uint32_t> VersionOf(std::span<const std::uint8_t> body);

// What answered the probes of an older or other firmware, for the message
// that names it.
struct FirmwareFound {
    enum class Kind { Current, TooOld, Generation3, Unframed, Development, Nothing };
    Kind kind = Kind::Nothing;
    std::string version;  // digits, when known
};
// The version of a reply to the version command of this generation.
[[nodiscard]] FirmwareFound CheckVersion(std::uint32_t version);
// After the test got no reply: what the letter 'v' (76h) brought (nullopt:
// silence) and what 04h brought after that.
[[nodiscard]] FirmwareFound ClassifyOlderFirmware(const std::optional<Bytes>& versionLetterReply,
                                                  const std::optional<Bytes>& pingReply);
// One line: "the reader/writer runs firmware 20231205; 20231207 or later is needed"...
[[nodiscard]] std::string FirmwareMessage(const FirmwareFound& found);

// The 16-byte pages in which two images of the same size differ, ascending.
[[nodiscard]] std::vector<int> DifferingPages(std::span<const std::uint8_t> current,
                                              std::span<const std::uint8_t> wanted);

// "0x50"
[[nodiscard]] std::string AddressText(int address);
// Parses "0x50"..."0x57" or "50"..."57"; nullopt otherwise.
[[nodiscard]] std::optional<std::uint8_t> ParseAddress(const std::string& text);

}  // namespace tessaro::spdrw
