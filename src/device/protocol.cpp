#include "device/protocol.h"

#include "core/checks.h"
#include "core/hex.h"
#include "device/operatormessages.h"

#include <algorithm>

namespace tessaro {

std::string CommandFrame(std::string_view text)
{
    std::string frame(text);
    frame += kFrameLinkEscape;
    frame += kFrameEnd;
    return frame;
}

std::string SerialNumberingQueryFrame()
{
    return std::string{'s', kFrameEnd};
}

std::string DownloadRowText(const SpdImage& image, int row)
{
    std::string text = "w";
    text += static_cast<char>(48 + row);
    for (int i = 16 * row; i < 16 * row + 16; ++i)
        AppendHex(text, image[static_cast<std::size_t>(i)]);
    return text;
}

std::optional<std::uint8_t> ReplyByte(std::string_view reply, int byteIndex)
{
    const std::size_t at = 2 * static_cast<std::size_t>(byteIndex);
    if (at + 2 > reply.size())
        return std::nullopt;
    // Each digit on its own, as a one-character text.
    const std::uint8_t high = HexPairToByte(reply.substr(at, 1));
    const std::uint8_t low = HexPairToByte(reply.substr(at + 1, 1));
    return static_cast<std::uint8_t>(high * 16 + low);
}

std::optional<std::uint8_t> StrictReplyByte(std::string_view reply, int byteIndex)
{
    const std::size_t at = 2 * static_cast<std::size_t>(byteIndex);
    if (at + 2 > reply.size() || HexDigitValue(reply[at]) < 0 || HexDigitValue(reply[at + 1]) < 0)
        return std::nullopt;
    return ReplyByte(reply, byteIndex);
}

bool BeginsWithRecordHeader(std::string_view reply)
{
    return reply.substr(0, 4) == "55AA";
}

std::optional<StatusRecord> ReadStatusRecord(std::string_view reply)
{
    // A reply with the header but without the status byte counts as missing.
    if (!BeginsWithRecordHeader(reply) || reply.size() < 18)
        return std::nullopt;
    StatusRecord record;
    record.version = std::string(reply.substr(8, 2));
    record.status = *ReplyByte(reply, 8);
    return record;
}

const std::array<TestFlag, kTestFlagCount>& TestFlags()
{
    static constexpr std::array<TestFlag, kTestFlagCount> flags{{
        {4, "電源短路", 0, 'x', 'X'},
        {5, "線路開路", 1, 'o', 'O'},
        {6, "線路短路", 2, 's', 'S'},
        {7, "燒錄SPD", 3, 'd', 'D'},
        {8, "比對SPD", 5, 'y', 'Y'},
        {10, "軟體保護(0-127)", 7, 'b', 'B'},
    }};
    return flags;
}

const TestFlag* TestFlagForCheckBox(int checkBox)
{
    for (const TestFlag& flag : TestFlags())
        if (flag.checkBox == checkBox)
            return &flag;
    return nullptr;
}

TestRecordReading ReadTestRecord(std::string_view reply)
{
    TestRecordReading reading;
    reading.isRecord = BeginsWithRecordHeader(reply);
    if (!reading.isRecord)
        return reading;
    const auto result = StrictReplyByte(reply, 48);
    if (!result)
        return reading;
    reading.hasResult = true;
    reading.result = *result;
    // Pass bitmap in bytes 64-82, fail bitmap in bytes 96-114; bit b of bitmap
    // byte k (1-19) is signal 8(k-1)+b.
    for (const auto& [first, mark] : {std::pair{64, PinMark::Pass}, std::pair{96, PinMark::Fail}}) {
        for (int k = 1; k <= 19; ++k) {
            const auto bits = StrictReplyByte(reply, first + k - 1);
            if (!bits)
                return reading;
            for (int b = 0; b < 8; ++b) {
                if (((*bits >> b) & 1) == 0)
                    continue;
                const int signal = 8 * (k - 1) + b;
                if (signal >= kModuleSignalCount)
                    return reading;
                reading.pins[static_cast<std::size_t>(signal)] = mark;
            }
        }
    }
    reading.pinsComplete = true;
    return reading;
}

const char* TestResultText(std::uint8_t result)
{
    if (result & 0x01)
        return "POWER FAIL";
    if (result & 0x02)
        return "SPD FAIL";
    if (result & 0x10)
        return "SHORT FAIL";
    if (result & 0x04)
        return "OPEN FAIL";
    return "PASS";
}

int ReadSpdDump(std::string_view reply, std::array<std::uint8_t, kSpdSize>& bytes)
{
    for (int i = 0; i < kSpdSize; ++i) {
        const auto value = ReplyByte(reply, i);
        if (!value)
            return i;
        bytes[static_cast<std::size_t>(i)] = *value;
    }
    return kSpdSize;
}

std::optional<std::size_t> FirstNonHexInDump(std::string_view reply)
{
    const std::size_t length = std::min(reply.size(), kSpdDumpLength);
    for (std::size_t i = 0; i < length; ++i)
        if (HexDigitValue(reply[i]) < 0)
            return i;
    return std::nullopt;
}

std::string NonHexDumpReason(std::string_view reply, std::size_t position)
{
    const auto code = position < reply.size() ? static_cast<std::uint8_t>(reply[position]) : std::uint8_t{0};
    return "reply character " + std::to_string(position + 1) + " of " + std::to_string(kSpdDumpLength) +
           " is not a hexadecimal digit (" + ByteToHex(code) + "h)";
}

std::vector<std::string> DifferingBytesLines(const SpdImage& expected, const SpdImage& read, int listed)
{
    std::vector<std::string> lines;
    int count = 0;
    for (int i = 0; i < kSpdSize; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (expected[at] == read[at])
            continue;
        if (++count <= listed)
            lines.push_back("offset " + std::to_string(i) + " (" + ByteToHex(static_cast<std::uint8_t>(i)) +
                            "h): expected " + ByteToHex(expected[at]) + ", read " + ByteToHex(read[at]));
    }
    if (count == 0)
        return lines;
    lines.insert(lines.begin(), count == 1 ? std::string("1 byte differs") : std::to_string(count) + " bytes differ");
    if (count > listed)
        lines.push_back("… " + std::to_string(count - listed) + " more");
    return lines;
}

std::optional<bool> ReadSerialNumbering(std::string_view reply)
{
    if (reply.size() < 4)
        return std::nullopt;
    return reply.substr(2, 2) != "00";
}

const std::array<TesterCommandInfo, kTesterCommandCount>& TesterCommands()
{
    using enum TesterCommand;
    static constexpr std::array<TesterCommandInfo, kTesterCommandCount> commands{{
        {EnPower, 'x', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisPower, 'X', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {EnOpen, 'o', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisOpen, 'O', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {EnShort, 's', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisShort, 'S', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {EnSpd, 'd', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisSpd, 'D', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {EnSpdV, 'y', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisSpdV, 'Y', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {EnProtect, 'b', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {DisProtect, 'B', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {Learn, 'n', 1, true, msg::kSwitchFailed, msg::kErrorTitle},
        {Read, 'r', 3, true, msg::kSwitchFailed, msg::kErrorTitle},
        {Copy, 'c', 4, true, msg::kCopyFailed, msg::kErrorTitle},
        {Verify, 'v', 2, true, msg::kVerifyFailed, "ERROR"},
        {Test, 'p', 2, false, msg::kTestFailed, msg::kErrorTitle},
    }};
    return commands;
}

const TesterCommandInfo& TesterCommandInfoFor(TesterCommand command)
{
    return TesterCommands()[static_cast<std::size_t>(command)];
}

TesterCommand SwitchCommandFor(int checkBox, bool tickedBeforePress)
{
    // The enable command of each pair is the one before its disable command.
    static constexpr std::array<std::pair<int, TesterCommand>, kTestFlagCount> enables{{
        {4, TesterCommand::EnPower},
        {5, TesterCommand::EnOpen},
        {6, TesterCommand::EnShort},
        {7, TesterCommand::EnSpd},
        {8, TesterCommand::EnSpdV},
        {10, TesterCommand::EnProtect},
    }};
    for (const auto& [box, enable] : enables)
        if (box == checkBox)
            return tickedBeforePress ? enable : static_cast<TesterCommand>(static_cast<int>(enable) + 1);
    return TesterCommand::EnPower;
}

}  // namespace tessaro
