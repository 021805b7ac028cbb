// Field decoding of SDR (byte 2 = 4), DDR (7) and DDR2 (8) images.

#include "core/hex.h"
#include "core/memorytype.h"
#include "decode/decoders.h"
#include "decode/jedec.h"
#include "decode/textformat.h"

#include <span>

namespace tessaro {

namespace {

constexpr const char* kInterfaceLevels[] = {"TTL", "LVTTL", "HSTL", "SSTL 3.3V", "SSTL 2.5V", "SSTL 1.8V", "TBD"};
constexpr const char* kRefreshTimes[] = {"15.625us", "3.9us", "7.8us", "31.3us", "62.5us", "125us"};
constexpr const char* kSelfRefreshTimes[] = {
    "15.625us(self-refresh)", "3.9us(self-refresh)", "7.8us(self-refresh)",
    "31.3us(self-refresh)", "62.5us(self-refresh)", "125us(self-refresh)",
};

// Cycle time of byte 9 in hundredths of a nanosecond: the high nibble is whole
// nanoseconds, the low nibble tenths, with 10-13 standing for .25, .33, .66, .75.
int CycleTimeN(std::uint8_t byte9)
{
    const int high = byte9 >> 4;
    const int low = byte9 & 0x0F;
    int hundredths = low * 10;
    switch (low) {
    case 10: hundredths = 25; break;
    case 11: hundredths = 33; break;
    case 12: hundredths = 66; break;
    case 13: hundredths = 75; break;
    default: break;
    }
    return high * 100 + hundredths;
}

void SetLowNibble(std::string& text, std::uint8_t value)
{
    const int low = value & 0x0F;
    if (low == 0) {
        text = "Undefined(B1)/";
        return;
    }
    text.clear();
    AppendInt(text, low);
}

void SetClock(std::string& text, MemoryType type, int n)
{
    const char* clock = nullptr;
    if (type == MemoryType::Sdr) {
        if (n <= 600) clock = "166 MHz(PC-166)";
        else if (n <= 750) clock = "133 MHz(PC-133)";
        else if (n <= 1000) clock = "100 MHz(PC-100)";
        else if (n <= 1600) clock = "66 MHz(PC-66)";
    } else if (type == MemoryType::Ddr) {
        if (n <= 500) clock = "400 MHz(PC-3200)";
        else if (n <= 600) clock = "333 MHz(PC-2700)";
        else if (n <= 750) clock = "266 MHz(PC-2100)";
        else if (n <= 1000) clock = "200 MHz(PC-1600)";
    } else if (type == MemoryType::Ddr2) {
        if (n <= 250) clock = "800 MHz(PC2-6400)";
        else if (n <= 300) clock = "667 MHz(PC2-5300)";
        else if (n <= 375) clock = "533 MHz(PC2-4200)";
        else if (n >= 500) clock = "400 MHz(PC2-3200)";
    } else {
        clock = "Undefined";
    }
    if (clock)  // cycle times the table does not name leave the text as it was
        text = clock;
}

void SetRefresh(std::string& text, std::uint8_t value)
{
    if (value <= 5)
        text = kRefreshTimes[value];
    else if (value >= 128 && value <= 133)
        text = kSelfRefreshTimes[value - 128];
    else
        text = "TBD";
}

void SetCasLatencies(std::string& text, MemoryType type, std::uint8_t b)
{
    struct Token {
        int bit;
        const char* text;
    };
    static constexpr Token kDdrTokens[] = {{4, "3T "}, {3, "2.5T "}, {2, "2T "}, {1, "1.5T "}, {0, "1 "}};
    static constexpr Token kDdr2Tokens[] = {{5, "5T "}, {4, "4T "}, {3, "3T "}, {2, "2T "}};
    static constexpr Token kSdrTokens[] = {{5, "6T "}, {4, "5T "}, {3, "4T "}, {2, "3T "}, {1, "2T "}};

    std::span<const Token> tokens;
    int top = 0;
    const char* topText = nullptr;
    if (type == MemoryType::Ddr) {
        tokens = kDdrTokens;
        top = 32;
        topText = "3.5T ";
    } else if (type == MemoryType::Ddr2) {
        tokens = kDdr2Tokens;
        top = 64;
        topText = "6T ";
    } else if (type == MemoryType::Sdr) {
        tokens = kSdrTokens;
        top = 64;
        topText = "7T ";
    } else {
        text = "Undefined";
        return;
    }
    // Built apart and moved in: GCC 12 at -O3 mistakes an assignment of a
    // literal to `text` here for an overlapping copy (-Wrestrict).
    std::string list(1, ' ');
    if (b >= top)
        list += topText;
    const int rest = b % top;
    for (const Token& token : tokens)
        if (rest & (1 << token.bit))
            list += token.text;
    text = list.size() == 1 ? std::string("Undefined") : std::move(list);
}

// Bytes 27-29 count quarter nanoseconds (whole nanoseconds on SDR), byte 30
// whole nanoseconds; the clock count is the time over the cycle time, rounded up.
void SetTiming(std::string& text, const SpdImage& image, int index, int n)
{
    const int value = image[static_cast<std::size_t>(index)];
    if (value == 0 || n == 0) {
        text = "Undefined";
        return;
    }
    const bool wholeNs = index == 30 || MemoryTypeOf(image[2]) == MemoryType::Sdr;
    const int x = value * (wholeNs ? 100 : 25);
    const int clocks = x / n + (x % n ? 1 : 0);
    text.clear();
    AppendDecimal(text, x, 100);
    text += " ns  (";
    AppendInt(text, clocks);
    text += "T)";
}

void SetBankDensity(std::string& text, std::uint8_t value)
{
    const char* density = nullptr;
    switch (value) {
    case 0: density = "Undefined"; break;
    case 1: density = "1 GB"; break;
    case 2: density = "2 GB"; break;
    case 4: density = "16 MB"; break;
    case 8: density = "32 MB"; break;
    case 16: density = "64 MB"; break;
    case 32: density = "128 MB"; break;
    case 64: density = "256 MB"; break;
    case 128: density = "512 MB"; break;
    default: break;  // other values leave the text as it was
    }
    if (density)
        text = density;
}

// The name beside the JEDEC ID: keys of bytes 64..64+k for k = 0..6 are tried,
// shortest first; byte 71 is never part of a key. No match hides the text.
void SetManufacturer(DecodedView& view, const SpdImage& image)
{
    AssignHexString(view[LegacyField::JedecId], ByteRange(image, 64, 71));
    view.legacyManufacturerNameVisible = true;
    view.legacyManufacturerName = " ";
    const std::string_view keys(view[LegacyField::JedecId].data(), 14);
    for (std::size_t length = 2; length <= keys.size(); length += 2)
        if (const char* name = ManufacturerName(keys.substr(0, length)))
            view.legacyManufacturerName = name;
    if (view.legacyManufacturerName == " ")
        view.legacyManufacturerNameVisible = false;
}

// Module form of an SDR/DDR/DDR2 image. Only DDR2 SPDs say it: byte 20 holds
// the DIMM type, where 04h (SO-DIMM), 06h (72-bit SO-CDIMM) and 07h (72-bit
// SO-RDIMM) are small-outline modules. SDR and DDR SPDs have no such byte.
std::int16_t LegacyModuleForm(MemoryType type, const SpdImage& image)
{
    if (type != MemoryType::Ddr2)
        return 0;
    switch (image[20]) {
    case 0x04:
    case 0x06:
    case 0x07: return kSmallOutlineForm;
    default: return 0;
    }
}

}  // namespace

void DecodeSdrDdrDdr2Byte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index)
{
    const MemoryType type = MemoryTypeOf(image[2]);
    const std::uint8_t value = image[static_cast<std::size_t>(index & 0xFF)];

    switch (index) {
    case 2:
        view[LegacyField::MemoryType] = SpdMemoryTypeName(value);
        break;
    case 3: SetLowNibble(view[LegacyField::Rows], value); break;
    case 4: SetLowNibble(view[LegacyField::Cols], value); break;
    case 5: {
        std::string& text = view[LegacyField::ModuleBanks];
        if (value == 0) {
            text = "Undefined";
        } else {
            text.clear();
            AppendInt(text, (value & 0x0F) + (type == MemoryType::Ddr2 ? 1 : 0));
        }
        break;
    }
    case 8: view[LegacyField::InterfaceLevel] = value <= 6 ? kInterfaceLevels[value] : "-"; break;
    case 9: SetClock(view[LegacyField::DramClock], type, CycleTimeN(value)); break;
    case 11: {
        static constexpr const char* kTypes[] = {"Unbuffered", "Parity", "ECC"};
        view[LegacyField::DimmType] = value <= 2 ? kTypes[value] : "TBD";
        break;
    }
    case 12: SetRefresh(view[LegacyField::RefreshTime], value); break;
    case 13: {
        std::string& text = view[LegacyField::DataWidth];
        if (value >= 1 && value <= 127) {
            text.clear();
            AppendInt(text, value);
        } else {
            text = "N/A";
        }
        break;
    }
    case 18: SetCasLatencies(view[LegacyField::ClSupport], type, value); break;
    case 27: SetTiming(view[LegacyField::Trp], image, index, CycleTimeN(image[9])); break;
    case 28: SetTiming(view[LegacyField::Trrd], image, index, CycleTimeN(image[9])); break;
    case 29: SetTiming(view[LegacyField::Trcd], image, index, CycleTimeN(image[9])); break;
    case 30: SetTiming(view[LegacyField::Tras], image, index, CycleTimeN(image[9])); break;
    case 31: SetBankDensity(view[LegacyField::BankDensity], value); break;
    case 63: {
        // Shows the computed sum of bytes 0-62, not the stored byte 63. The
        // security code adds the two date bytes to it.
        const int checksum = SumMod256(image, 62);
        std::string& text = view[LegacyField::Checksum];
        text.clear();
        AppendHex(text, static_cast<std::uint8_t>(checksum));
        view.securityCode = static_cast<std::uint8_t>((checksum + image[93] + image[94]) & 0xFF);
        break;
    }
    case 72: AssignHexString(view[LegacyField::Location], ByteRange(image, 72, 72)); break;
    case 91:
    case 92: AssignHexString(view[LegacyField::Revision], ByteRange(image, 91, 92)); break;
    case 93:
    case 94: AssignHexString(view[LegacyField::DateCode], ByteRange(image, 93, 94)); break;
    default:
        if (index >= 64 && index <= 71)
            SetManufacturer(view, image);
        else if (index >= 73 && index <= 90)
            AssignAnsiText(view[LegacyField::PartNumber], ByteRange(image, 73, 90));
        else if (index >= 95 && index <= 98)
            AssignHexString(view[LegacyField::SerialNumber], ByteRange(image, 95, 98));
        else if (index >= 99 && index <= 127)
            AssignHexString(view[LegacyField::SpecificData], ByteRange(image, 99, 127));
        break;
    }
    context.currentModuleForm = LegacyModuleForm(type, image);
}

}  // namespace tessaro
