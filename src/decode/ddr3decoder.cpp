// Field decoding of DDR3 images (byte 2 above 8). Times are counted in units
// of the medium timebase (MTB) of bytes 10 and 11, clocks from byte 12.

#include "core/hex.h"
#include "decode/decoders.h"
#include "decode/jedec.h"
#include "decode/textformat.h"

#include <span>

namespace tessaro {

namespace {

constexpr const char* kModuleTypes[] = {
    "Undefined", "Register-DIMM", "Unbuffer-DIMM", "SO-DIMM", "Micro-DIMM", "Mini-RDIMM", "Mini-UDIMM",
};
constexpr const char* kSdramDensities[] = {"256 Mb", "512 Mb", "1 Gb", "2 Gb", "4 Gb", "8 Gb", "16 Gb"};
// Bits 6-4 of byte 4 count the bank address bits beyond three.
constexpr const char* kBanks[] = {"8 Banks", "16 Banks", "32 Banks", "64 Banks"};
constexpr const char* kColumns[] = {"9 ", "10 ", "11", "12 "};
constexpr const char* kRows[] = {"12 ", "13 ", "14 ", "15 ", "16 "};
constexpr const char* kWidths[] = {"4 bit", "8 bit", "16 bit", "32 bit"};
constexpr const char* kRanks[] = {"1 Rank", "2 Ranks", "3 Ranks", "4 Ranks"};

constexpr const char* kCasTokens[15] = {
    "4 ", "5 ", "6 ", "7 ", "8 ", "9 ", "10 ", "11 ", "12 ", "13 ", "14 ", "15 ", "16 ", "17 ", "18 ",
};

template <std::size_t N>
const char* Pick(const char* const (&names)[N], unsigned code, const char* otherwise)
{
    return code < N ? names[code] : otherwise;
}

// Medium timebase in whole picoseconds: byte 10 x 1000 / byte 11 (byte 11 = 0: / 1).
long long Mtb(const SpdImage& image)
{
    const long long dividend = image[10] * 1000LL;
    return image[11] ? dividend / image[11] : dividend;
}

// "13.125 ns (7T)": the count in nanoseconds, and in clocks of byte 12 rounded up.
void SetTime(std::string& text, const SpdImage& image, long long count)
{
    const long long picoseconds = Mtb(image) * count;
    const long long tck = image[12];
    const long long clocks = tck ? count / tck + (count % tck ? 1 : 0) : 0;
    text.clear();
    AppendDecimal(text, picoseconds, 1000);
    text += " ns (";
    AppendInt(text, clocks);
    text += "T)";
}

// Capacity of one rank of a 64-bit module: SDRAM density (256 Mb << density
// code) x 64 / SDRAM width (4 << width code) / 8 bits, in MB below 1 GB and in
// GB from 1 GB on. Density codes above 6 and width codes above 3 are reserved.
std::string ModuleDensityPerRank(unsigned densityCode, unsigned widthCode)
{
    if (densityCode > 6 || widthCode > 3)
        return "Reserved";
    const long long megabytes = (256LL << densityCode) * 64 / (4LL << widthCode) / 8;
    std::string text;
    if (megabytes < 1024) {
        AppendInt(text, megabytes);
        text += " MB";
    } else {
        AppendInt(text, megabytes / 1024);
        text += " GB";
    }
    return text;
}

void SetSpeed(std::string& text, const SpdImage& image)
{
    switch (Mtb(image) * image[12]) {
    case 2500: text = "800 MHz(2.5ns)"; break;
    case 1875: text = "1066 MHz(1.875ns)"; break;
    case 1500: text = "1333 MHz(1.5ns)"; break;
    case 1250: text = "1600 MHz(1.25ns)"; break;
    // DDR3-1866 and -2133 store 1.125 ns and 1 ns here and the rest of tCK in the fine byte.
    case 1125: text = "1866 MHz(1.07ns)"; break;
    case 1000: text = "2133 MHz(0.94ns)"; break;
    default: text = "Reserved"; break;
    }
}

void SetCasLatencies(std::string& text, const SpdImage& image)
{
    const unsigned bits = image[14] | (image[15] & 0x7F) << 8;
    text.clear();
    for (unsigned bit = 0; bit < 15; ++bit)
        if (bits & (1U << bit))
            text += kCasTokens[bit];
}

void SetManufacturer(DecodedView& view, const SpdImage& image)
{
    view.ddr3ManufacturerName.clear();
    AssignHexString(view[Ddr3Field::ManufacturerId], ByteRange(image, 148, 149));
    // Byte 148 counts the continuation codes; bit 7 is the parity bit.
    const int continuations = image[148] & 0x7F;
    if (continuations > 6)
        return;
    char key[14];
    std::size_t length = 0;
    for (int i = 0; i < continuations; ++i) {
        key[length++] = '7';
        key[length++] = 'F';
    }
    const std::string code = ByteToHex(image[149]);
    key[length++] = code[0];
    key[length++] = code[1];
    if (const char* name = ManufacturerName(std::string_view(key, length)))
        view.ddr3ManufacturerName = name;
}

// The module form other windows read: the module-type nibble of byte 3, with a
// SO-DIMM (3) given the small-outline value 4 that the I/O title and pin map use.
std::int16_t Ddr3ModuleForm(const SpdImage& image)
{
    const int nibble = image[3] & 0x0F;
    return static_cast<std::int16_t>(nibble == 3 ? kSmallOutlineForm : nibble);
}

}  // namespace

void DecodeDdr3Byte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index)
{
    const std::uint8_t value = image[static_cast<std::size_t>(index & 0xFF)];

    switch (index) {
    case 0:
        view.crcCaption = (value & 0x80) ? "CRC (0-116)" : "CRC (0-125)";
        view.crcOptionCaption = view.crcCaption;
        break;
    case 2: view[Ddr3Field::MemoryType] = SpdMemoryTypeName(value); break;
    case 3: view[Ddr3Field::ModuleType] = Pick(kModuleTypes, value & 0x0F, "Reservd"); break;
    case 4: {
        const unsigned density = value & 0x0F;
        const unsigned width = image[7] & 0x07;
        view[Ddr3Field::SdramDensity] = Pick(kSdramDensities, density, "Reserved");
        view[Ddr3Field::ModuleDensity] = ModuleDensityPerRank(density, width);
        view[Ddr3Field::SdramBanks] = Pick(kBanks, (value >> 4) & 0x07, "Reserved");
        break;
    }
    case 5:
        view[Ddr3Field::Cols] = Pick(kColumns, value & 0x07, "Reserved");
        view[Ddr3Field::Rows] = Pick(kRows, (value >> 3) & 0x07, "Reserved");
        break;
    case 7:
        view[Ddr3Field::SdramWidth] = Pick(kWidths, value & 0x07, "Reserved");
        view[Ddr3Field::ModuleRanks] = Pick(kRanks, (value >> 3) & 0x07, "Reserved");
        break;
    case 8: {
        const int bus = value & 0x1F;
        view[Ddr3Field::ModuleBusWidth] = bus == 3 ? "64 bit" : bus == 11 ? "72 bit(ECC)" : "Reserved";
        break;
    }
    case 12: SetSpeed(view[Ddr3Field::ModuleSpeed], image); break;
    case 14:
    case 15: SetCasLatencies(view[Ddr3Field::ClSupport], image); break;
    case 18: SetTime(view[Ddr3Field::Trcd], image, image[18]); break;
    case 19: SetTime(view[Ddr3Field::Trrd], image, image[19]); break;
    case 20: SetTime(view[Ddr3Field::Trp], image, image[20]); break;
    case 21:
    case 22: SetTime(view[Ddr3Field::Tras], image, (image[21] & 0x0F) * 256 + image[22]); break;
    case 119: AssignHexString(view[Ddr3Field::Location], ByteRange(image, 119, 119)); break;
    case 120:
    case 121: AssignHexString(view[Ddr3Field::Date], ByteRange(image, 120, 121)); break;
    case 126:
    case 127:
        // The stored CRC as a 16-bit value, high byte (127) first, as every
        // other CRC text shows it.
        view.crcValue = WordToHex(static_cast<std::uint16_t>(image[127] << 8 | image[126]));
        break;
    case 146:
    case 147: AssignHexString(view[Ddr3Field::Revision], ByteRange(image, 146, 147)); break;
    case 148:
    case 149: SetManufacturer(view, image); break;
    default:
        if (index >= 122 && index <= 125)
            AssignHexString(view[Ddr3Field::SerialNumber], ByteRange(image, 122, 125));
        else if (index >= 128 && index <= 145)
            AssignAnsiText(view[Ddr3Field::PartNumber], ByteRange(image, 128, 145));
        else if (index >= 150 && index <= 175)
            AssignHexString(view[Ddr3Field::SpecificData], ByteRange(image, 150, 175));
        break;
    }
    context.currentModuleForm = Ddr3ModuleForm(image);
}

}  // namespace tessaro
