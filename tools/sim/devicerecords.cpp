#include "devicerecords.h"

#include "core/hex.h"

#include <array>
#include <span>

namespace tessaro::sim {

namespace {

constexpr std::uint8_t kHeader0 = 0x55;
constexpr std::uint8_t kHeader1 = 0xAA;
constexpr int kVersionByte = 4;
constexpr int kStatusByte = 8;
constexpr int kResultByte = 48;
constexpr int kPassBitmap = 64;
constexpr int kFailBitmap = 96;

void SetSignals(std::span<std::uint8_t> record, int bitmap, const std::vector<int>& signals)
{
    for (int signal : signals)
        if (signal >= 0 && signal < kSignalCount)
            record[static_cast<std::size_t>(bitmap + signal / 8)] |= static_cast<std::uint8_t>(1u << (signal % 8));
}

}  // namespace

std::string StatusRecordText(std::uint8_t version, std::uint8_t status)
{
    std::array<std::uint8_t, kStatusRecordBytes> record{};
    record[0] = kHeader0;
    record[1] = kHeader1;
    record[kVersionByte] = version;
    record[kStatusByte] = status;
    return HexString(record);
}

std::string SpdDumpText(const SpdImage& image)
{
    return HexString(image);
}

std::string SerialNumberingText(bool autoSerial)
{
    std::array<std::uint8_t, kSerialReplyBytes> reply{};
    reply[0] = kHeader0;
    reply[1] = autoSerial ? 0x01 : 0x00;
    return HexString(reply);
}

std::string TestRecordText(std::uint8_t result, const std::vector<int>& passSignals,
                           const std::vector<int>& failSignals)
{
    std::array<std::uint8_t, kTestRecordBytes> record{};
    record[0] = kHeader0;
    record[1] = kHeader1;
    record[kResultByte] = result;
    SetSignals(record, kPassBitmap, passSignals);
    SetSignals(record, kFailBitmap, failSignals);
    return HexString(record);
}

}  // namespace tessaro::sim
