// The programmer's replies as the link reads them: any text, however short,
// garbled or long, is read without a crash, and what is read agrees with the
// character positions of the reply layouts.
#include "core/hex.h"
#include "device/protocol.h"

#include <cstdlib>

namespace {
void Check(bool condition)
{
    if (!condition)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool header = text.size() >= 4 && text.substr(0, 4) == "55AA";

    const auto status = ReadStatusRecord(text);
    Check(status.has_value() == (header && text.size() >= 18));
    if (status)
        Check(status->version == text.substr(8, 2));

    const TestRecordReading record = ReadTestRecord(text);
    Check(record.isRecord == header);
    Check(!record.hasResult || record.isRecord);
    Check(!record.pinsComplete || (record.hasResult && text.size() >= 230));
    if (record.hasResult)
        Check(record.result == HexPairToByte(text.substr(96, 2)));
    for (PinMark mark : record.pins)
        Check(mark == PinMark::None || record.hasResult);

    std::array<std::uint8_t, kSpdSize> bytes{};
    const int count = ReadSpdDump(text, bytes);
    Check(count == static_cast<int>(std::min<std::size_t>(kSpdSize, text.size() / 2)));

    const auto numbering = ReadSerialNumbering(text);
    Check(numbering.has_value() == (text.size() >= 4));
    return 0;
}
