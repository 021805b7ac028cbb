#pragma once

#include "core/checks.h"  // CheckBytesMismatch, the note after a read
#include "core/spdimage.h"
#include "core/signalmarks.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The serial protocol of the SPD programmer / module tester, PC side: the
// frames the PC writes and the reading of the four reply layouts. Replies are
// ASCII text that carries each byte as two hexadecimal digits, high first;
// character positions below are 1-based like the programmer's documentation.

inline constexpr char kFrameLinkEscape = '\x10';
inline constexpr char kFrameEnd = '\x7F';

// A command written to the programmer: the text, 10h, 7Fh.
[[nodiscard]] std::string CommandFrame(std::string_view text);
// The serial-numbering query: "s" followed by 7Fh alone.
[[nodiscard]] std::string SerialNumberingQueryFrame();

// Download row r (0-15): "w", the character 48 + r, then bytes 16r..16r+15 as
// upper-case digit pairs (34 characters).
[[nodiscard]] std::string DownloadRowText(const SpdImage& image, int row);

// One byte of a reply: characters 2k+1 (high digit) and 2k+2 (low digit), each
// converted on its own, a missing character giving nothing. nullopt when a
// character is missing.
[[nodiscard]] std::optional<std::uint8_t> ReplyByte(std::string_view reply, int byteIndex);
// The same, but also nullopt when either character is not a hex digit.
[[nodiscard]] std::optional<std::uint8_t> StrictReplyByte(std::string_view reply, int byteIndex);

[[nodiscard]] bool BeginsWithRecordHeader(std::string_view reply);  // "55AA"

// The reply to the status request.
struct StatusRecord {
    std::string version;        // characters 9-10 as they stand
    std::uint8_t status = 0;    // characters 17-18: one bit per test-function box
};
// nullopt for a reply that does not begin with "55AA" or that is too short to
// carry the status byte (18 characters).
[[nodiscard]] std::optional<StatusRecord> ReadStatusRecord(std::string_view reply);

// The six test-function boxes in the order of the function-settings panel:
// their check-box number, caption, status bit and switch letters.
struct TestFlag {
    int checkBox;             // 4-8 and 10; the box's object name is "Check" and this number
    const char* caption;
    int statusBit;
    char enableLetter;        // sent when the box is pressed while ticked
    char disableLetter;       // sent when the box is pressed while clear
};
inline constexpr int kTestFlagCount = 6;
[[nodiscard]] const std::array<TestFlag, kTestFlagCount>& TestFlags();
[[nodiscard]] const TestFlag* TestFlagForCheckBox(int checkBox);
// The value a box takes from the status byte: a set bit clears it.
[[nodiscard]] constexpr bool TestFlagTicked(std::uint8_t status, int bit) { return ((status >> bit) & 1) == 0; }

// A test record as the polling reads it. The reading stops at the first
// character it cannot use (missing or not a hex digit) or at a bitmap bit
// above signal 143; what was read before stays usable, as the window applies
// it step by step.
struct TestRecordReading {
    bool isRecord = false;           // begins with "55AA"
    bool hasResult = false;          // the result byte could be read
    std::uint8_t result = 0;
    std::array<PinMark, kModuleSignalCount> pins{};  // marks in the order read: pass bitmap, then fail bitmap
    bool pinsComplete = false;       // both bitmaps read to the end
};
[[nodiscard]] TestRecordReading ReadTestRecord(std::string_view reply);
// "POWER FAIL", "SPD FAIL", "SHORT FAIL", "OPEN FAIL" (bits 0, 1, 4, 2 in this
// order) or "PASS".
[[nodiscard]] const char* TestResultText(std::uint8_t result);

// An SPD dump: byte i from characters 2i+1 and 2i+2. Returns how many bytes,
// from byte 0 on, the reply carries in full (256 for a complete dump).
int ReadSpdDump(std::string_view reply, std::array<std::uint8_t, kSpdSize>& bytes);
inline constexpr std::size_t kSpdDumpLength = 2 * kSpdSize;
// The position (0-based) of the first of the dump's 512 characters that is
// not a hexadecimal digit; nullopt when every character that arrived is one.
// A dump with such a character is line noise, not an image.
[[nodiscard]] std::optional<std::size_t> FirstNonHexInDump(std::string_view reply);
// A one-line description of a bad dump character: its position (1-based) and code.
[[nodiscard]] std::string NonHexDumpReason(std::string_view reply, std::size_t position);

// The bytes in which `read` (the programmer's image) differs from `expected`
// (the window's), for a failed compare: a count line ("3 bytes differ"), then
// one line per byte ("offset 77 (4Dh): expected 4D, read 4C") for at most
// `listed` bytes, then "… N more" for the rest. Empty when the images are equal.
[[nodiscard]] std::vector<std::string> DifferingBytesLines(const SpdImage& expected, const SpdImage& read,
                                                           int listed = 16);

// The serial-numbering reply: characters 3-4 "00" mean off. nullopt when the
// reply is too short to carry them.
[[nodiscard]] std::optional<bool> ReadSerialNumbering(std::string_view reply);

// The module-tester commands: one letter, a wait, and whether the port is
// closed during the wait.
enum class TesterCommand {
    EnPower, DisPower, EnOpen, DisOpen, EnShort, DisShort, EnSpd, DisSpd, EnSpdV, DisSpdV,
    EnProtect, DisProtect, Learn, Read, Copy, Verify, Test,
};
struct TesterCommandInfo {
    TesterCommand command;
    char letter;
    int waitSeconds;
    bool closesPort;
    const char* failureText;
    const char* failureTitle;
};
inline constexpr int kTesterCommandCount = 17;
[[nodiscard]] const std::array<TesterCommandInfo, kTesterCommandCount>& TesterCommands();
[[nodiscard]] const TesterCommandInfo& TesterCommandInfoFor(TesterCommand command);
// The switch command of a test-function box pressed with the given value.
[[nodiscard]] TesterCommand SwitchCommandFor(int checkBox, bool tickedBeforePress);

}  // namespace tessaro
