#include "wizard/wizardsynthesis.h"

#include "core/checks.h"
#include "wizard/wizardtext.h"

#include <algorithm>
#include <array>
#include <span>

namespace tessaro {

namespace {

// One byte of a speed block: its value at each of the generation's four speeds.
struct SpeedByte {
    int index;
    std::array<std::uint8_t, 4> values;
};

// SDR 66, 100, 133, 166 MHz.
constexpr SpeedByte kSdrSpeedBlock[] = {
    {9, {240, 160, 117, 96}},  {10, {112, 96, 84, 60}}, {23, {160, 160, 160, 160}}, {24, {96, 96, 96, 96}},
    {25, {0, 0, 0, 0}},        {26, {0, 0, 0, 0}},      {28, {20, 20, 15, 15}},     {32, {32, 32, 21, 21}},
    {33, {16, 16, 8, 8}},      {34, {32, 32, 21, 21}},  {35, {16, 16, 8, 8}},       {41, {70, 70, 66, 66}},
};

// DDR 200, 266, 333, 400 MHz.
constexpr SpeedByte kDdrSpeedBlock[] = {
    {9, {160, 117, 96, 80}},    {10, {128, 117, 112, 112}}, {15, {1, 1, 1, 1}},         {23, {160, 160, 117, 96}},
    {24, {117, 117, 112, 112}}, {25, {0, 0, 0, 117}},       {26, {0, 0, 0, 117}},       {28, {60, 60, 48, 40}},
    {32, {160, 160, 128, 96}},  {33, {160, 160, 128, 96}},  {34, {80, 80, 69, 64}},     {35, {80, 80, 69, 64}},
    {41, {65, 65, 60, 55}},     {42, {120, 120, 120, 70}},  {43, {52, 52, 48, 48}},     {44, {50, 50, 45, 40}},
    {45, {117, 117, 85, 80}},   {47, {1, 1, 1, 1}},
};

// DDR2 400, 533, 667, 800 MHz.
constexpr SpeedByte kDdr2SpeedBlock[] = {
    {9, {80, 61, 48, 37}},   {10, {96, 80, 69, 64}},     {22, {1, 1, 3, 3}},     {23, {80, 80, 61, 61}},
    {24, {96, 80, 69, 64}},  {25, {0, 0, 80, 0}},        {26, {0, 0, 69, 0}},    {28, {40, 30, 24, 20}},
    {32, {53, 37, 32, 32}},  {33, {71, 45, 39, 39}},     {34, {21, 16, 5, 5}},   {35, {39, 34, 23, 23}},
    {36, {60, 60, 60, 60}},  {37, {40, 30, 30, 30}},     {38, {30, 30, 30, 30}}, {39, {0, 0, 0, 0}},
    {40, {0, 0, 0, 48}},     {41, {55, 60, 60, 57}},     {42, {105, 105, 105, 105}}, {43, {128, 128, 128, 128}},
    {44, {35, 30, 24, 20}},  {45, {45, 40, 36, 30}},     {46, {45, 0, 0, 0}},
};

// DDR3 800, 1066, 1333, 1600 MHz, in the 1/8 ns time base.
constexpr SpeedByte kDdr3SpeedBlock[] = {
    {12, {20, 15, 12, 10}},    {16, {120, 105, 96, 80}}, {19, {80, 60, 48, 40}},
    {23, {164, 149, 128, 90}}, {28, {1, 1, 0, 1}},       {29, {64, 44, 240, 200}},
};

// Clock period of speedCode 1-12 in hundredths of a nanosecond.
constexpr int kClockHundredths[12] = {1500, 1000, 750, 600, 1000, 750, 600, 500, 500, 375, 300, 250};
// Clock period of speedCode 13-16 in eighths of a nanosecond.
constexpr int kDdr3ClockEighths[4] = {20, 15, 12, 10};

// CAS-latency byte by tCL entry: one bit per latency the entry names.
constexpr std::uint8_t kSdrCasBits[] = {1, 2, 4, 6};
constexpr std::uint8_t kDdrCasBits[] = {1, 2, 4, 8, 16, 32, 28, 12, 24};
constexpr std::uint8_t kDdr2CasBits[] = {4, 8, 16, 32, 64, 56, 48};
constexpr std::uint8_t kDdr3CasBits[] = {1, 2, 4, 8, 16, 6, 14, 12, 28, 30};

// SDRAM density code of DDR3 byte 4 by width (x4, x8, x16) and size
// ("8 Mb" ... "256 Mb"); -1 where the pair has none.
constexpr int kDdr3DensityCodes[3][6] = {
    {-1, -1, -1, 0, 1, 2},
    {-1, -1, 0, 1, 2, 3},
    {-1, 0, 1, 2, 3, -1},
};

constexpr int kLegacyPartNumberByte = 73;
constexpr int kDdr3PartNumberByte = 128;
constexpr std::size_t kPartNumberLength = 18;
constexpr std::size_t kLegacyIdLength = 8;

std::uint8_t Byte(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

// Speed option 0-3 of a code within its generation.
int SpeedIndex(int speedCode)
{
    return std::clamp((speedCode - 1) % 4, 0, 3);
}

template <std::size_t N>
std::uint8_t CasBits(const std::uint8_t (&bits)[N], int casChoice)
{
    return casChoice >= 0 && casChoice < static_cast<int>(N) ? bits[casChoice] : 0;
}

// The image being built, byte by byte.
class ImageWriter
{
public:
    explicit ImageWriter(SpdImage& image) : m_image(image) {}
    void setByte(int index, std::uint8_t value) { m_image[static_cast<std::size_t>(index)] = value; }
    void updateChecksum() { setByte(kChecksumByte, Checksum63(m_image)); }
    void updateCrc()
    {
        const std::uint16_t crc = SpdCrc(m_image);
        setByte(kCrcLowByte, static_cast<std::uint8_t>(crc & 0xFF));
        setByte(kCrcHighByte, static_cast<std::uint8_t>(crc >> 8));
    }

private:
    SpdImage& m_image;
};

void WriteSpeedBlock(ImageWriter& doc, std::span<const SpeedByte> block, int speedIndex)
{
    for (const SpeedByte& b : block)
        doc.setByte(b.index, b.values[static_cast<std::size_t>(speedIndex)]);
}

void WriteBytes(ImageWriter& doc, int first, const std::vector<std::uint8_t>& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        doc.setByte(first + static_cast<int>(i), bytes[i]);
}

void Fill(ImageWriter& doc, int first, int last, std::uint8_t value)
{
    for (int n = first; n <= last; ++n)
        doc.setByte(n, value);
}

// SDR, DDR and DDR2 images: organisation, timing and speed bytes, byte-63
// checksum, manufacturer ID from byte 64 and part number from byte 73. The ID
// text is cut to its first 8 characters and taken as two blanks when empty.
void SynthesizeSdrDdrDdr2(ImageWriter& doc, WizardImage& built, WizardRecord& record);

// DDR3 unbuffered-module images: organisation and timing bytes in the 1/8 ns
// time base, bank and code bytes of the manufacturer ID (117-118, 148-149),
// part number from byte 128, and the CRC.
void SynthesizeDdr3(ImageWriter& doc, WizardImage& built, WizardRecord& record);

void SynthesizeSdrDdrDdr2(ImageWriter& doc, WizardImage& built, WizardRecord& record)
{
    const WizardParams& p = record.params;
    // SDR and DDR2 are built as such, every other kind as DDR.
    const MemoryType chosen = p.memoryType();
    const MemoryType type = chosen == MemoryType::Sdr || chosen == MemoryType::Ddr2 ? chosen : MemoryType::Ddr;
    const bool sdr = type == MemoryType::Sdr;
    const bool ddr2 = type == MemoryType::Ddr2;
    const bool ecc = p.eccChoice == 2;
    const int speed = SpeedIndex(p.speedCode);

    doc.setByte(0, 128);  // bytes written
    doc.setByte(1, 8);    // 256-byte SPD device
    doc.setByte(2, SpdByte2Of(type));
    built.typeCode = TypeCodeOf(type).value();
    doc.setByte(3, Byte(p.rowBits));
    doc.setByte(4, Byte(p.columnBits));
    // DDR2 keeps the rank count less one in the low bits, above 60h.
    if (ddr2)
        doc.setByte(5, p.rankCount == 1 ? 96 : 97);
    else
        doc.setByte(5, p.rankCount == 1 ? 1 : 2);
    doc.setByte(6, ecc ? 72 : 64);
    doc.setByte(7, 0);
    doc.setByte(11, ecc ? 2 : 0);
    doc.setByte(8, sdr ? 1 : ddr2 ? 5 : 4);  // LVTTL, SSTL 2.5 V, SSTL 1.8 V

    const int tck = kClockHundredths[std::clamp(p.speedCode - 1, 0, 11)];
    if (sdr) {
        WriteSpeedBlock(doc, kSdrSpeedBlock, speed);
        // Whole nanoseconds, fraction dropped.
        doc.setByte(27, Byte(p.trpClocks * tck / 100));
        doc.setByte(29, Byte(p.trcdClocks * tck / 100));
    } else {
        WriteSpeedBlock(doc, ddr2 ? std::span<const SpeedByte>(kDdr2SpeedBlock) : std::span<const SpeedByte>(kDdrSpeedBlock),
                        speed);
        // Quarter nanoseconds.
        doc.setByte(27, Byte(p.trpClocks * tck / 25));
        doc.setByte(29, Byte(p.trcdClocks * tck / 25));
    }
    doc.setByte(30, Byte(p.trasClocks * tck / 100));

    doc.setByte(12, p.refreshTenths == 156 ? 128 : 130);  // 15.625 us or 7.8 us
    const int width = p.widthChoice == 0 ? 4 : p.widthChoice == 1 ? 8 : 16;
    doc.setByte(13, Byte(width));
    doc.setByte(14, ecc ? (p.widthChoice == 2 ? 16 : 8) : 0);
    doc.setByte(16, 12);  // burst lengths 4 and 8
    doc.setByte(17, Byte(p.bankCount));
    doc.setByte(18, sdr ? CasBits(kSdrCasBits, p.casChoice)
                            : ddr2 ? CasBits(kDdr2CasBits, p.casChoice) : CasBits(kDdrCasBits, p.casChoice));
    doc.setByte(19, 0);
    doc.setByte(20, ddr2 ? 2 : 1);
    doc.setByte(21, 0);
    doc.setByte(31, Byte(p.rankDensityCode));
    doc.setByte(62, sdr ? 32 : 18);  // SPD revision

    std::u32string id = Utf8Characters(record.jedecIdText);
    if (id.size() > kLegacyIdLength) {
        id.resize(kLegacyIdLength);
        record.jedecIdText = Utf8Text(id);
    }
    doc.updateChecksum();

    // Manufacturer and part number lie above byte 62, outside the checksum.
    if (id.empty()) {
        id = U"  ";
        record.jedecIdText = "  ";
    }
    WriteBytes(doc, 64, ManufacturerIdBytes(id));
    WriteBytes(doc, kLegacyPartNumberByte, PartNumberBytes(record.partNumberText, kPartNumberLength));
}

void SynthesizeDdr3(ImageWriter& doc, WizardImage& built, WizardRecord& record)
{
    const WizardParams& p = record.params;
    const int speed = SpeedIndex(p.speedCode);

    doc.setByte(0, 146);  // 176 bytes used, 256 in the device, CRC over 0-116
    doc.setByte(1, 0);
    doc.setByte(2, SpdByte2Of(MemoryType::Ddr3));
    doc.setByte(3, 2);    // unbuffered DIMM
    doc.setByte(6, 0);
    doc.setByte(8, 3);
    doc.setByte(9, 82);
    doc.setByte(10, 1);   // medium time base 1/8 ns
    doc.setByte(11, 8);
    doc.setByte(13, 0);
    doc.setByte(17, 120);
    doc.setByte(24, 208);
    doc.setByte(25, 2);
    doc.setByte(26, 60);
    doc.setByte(27, 60);
    doc.setByte(30, 3);
    doc.setByte(31, 13);
    Fill(doc, 32, 59, 0);
    doc.setByte(60, 16);
    doc.setByte(61, 17);
    doc.setByte(62, 0);
    doc.setByte(63, 0);
    Fill(doc, 64, 116, 0);
    built.typeCode = MemoryTypeCode::Ddr3;

    // Density and banks; a pair without a density code leaves byte 4 alone.
    if (p.widthChoice >= 0 && p.widthChoice <= 2 && p.sizeChoice >= 0 && p.sizeChoice <= 5) {
        const int density = kDdr3DensityCodes[p.widthChoice][p.sizeChoice];
        if (density >= 0)
            doc.setByte(4, Byte(p.bankCount == 8 ? density + 16 : density));
    }
    doc.setByte(5, Byte((p.rowBits - 12) * 8 + (p.columnBits - 9)));
    doc.setByte(7, Byte(p.widthChoice + (p.rankCount == 2 ? 8 : 0)));
    doc.setByte(8, p.eccChoice == 2 ? 11 : 3);

    WriteSpeedBlock(doc, kDdr3SpeedBlock, speed);
    const int tck = kDdr3ClockEighths[speed];
    doc.setByte(20, Byte(p.trpClocks * tck));
    doc.setByte(18, Byte(p.trcdClocks * tck));
    const int tras = p.trasClocks * tck;
    doc.setByte(21, Byte(16 + tras / 256));  // high nibble: upper bits of tRC
    doc.setByte(22, Byte(tras % 256));

    doc.setByte(15, 0);
    doc.setByte(14, CasBits(kDdr3CasBits, p.casChoice));

    std::u32string id = Utf8Characters(record.jedecIdText);
    if (id.empty()) {
        id = U"  ";
        record.jedecIdText = "  ";
    }
    const Ddr3ManufacturerId manufacturer = Ddr3ManufacturerIdOf(id);
    doc.setByte(117, manufacturer.bank);
    doc.setByte(148, manufacturer.bank);
    doc.setByte(118, manufacturer.code);
    doc.setByte(149, manufacturer.code);

    WriteBytes(doc, kDdr3PartNumberByte, PartNumberBytes(record.partNumberText, kPartNumberLength));
    doc.updateCrc();
}

}  // namespace

WizardImage BuildWizardImage(WizardRecord& record)
{
    WizardImage built;
    ImageWriter writer(built.image);
    if (record.params.memoryType() == MemoryType::Ddr3) {
        built.lastGenerated = 127;
        built.checkMode = CheckMode::Crc;
        SynthesizeDdr3(writer, built, record);
    } else {
        built.lastGenerated = 63;
        built.checkMode = CheckMode::Checksum;
        SynthesizeSdrDdrDdr2(writer, built, record);
    }
    return built;
}

void ApplyWizardImage(SpdDocument& document, const WizardImage& built)
{
    for (int n = 0; n <= built.lastGenerated; ++n)
        document.markGenerated(n);
    document.setCheckMode(built.checkMode);
    for (int n = 0; n < kSpdSize; ++n) {
        if (document.byte(n) != built.image[static_cast<std::size_t>(n)])
            document.setByte(n, built.image[static_cast<std::size_t>(n)]);
    }
    if (built.checkMode == CheckMode::Crc)
        document.updateCrc();  // the CRC it holds, its bytes marked as the CRC upkeep marks them
    document.setMemoryTypeCode(built.typeCode);
    document.decodeAll();
    document.setModified(true);
}

}  // namespace tessaro
