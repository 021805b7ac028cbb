// Engine speed: the full settle of one image (new window pass, load pass,
// settle pass), the JEP106 lookup, parsing a text SPD file, and the decode of
// a 512- or 1024-byte image with its JSON record, and a key press in the
// document of a 1024-byte image.
#include "decode/decodejson.h"
#include "decode/jedec.h"
#include "decode/moduledecode.h"
#include "document/spddocument.h"
#include "document/settle.h"
#include "files/spdformat.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace tessaro;

namespace {

SpdImage Ddr2Image()
{
    SpdImage image{};
    const std::pair<int, int> bytes[] = {
        {0, 0x80}, {1, 0x08}, {2, 0x08}, {3, 0x0E}, {4, 0x0A}, {5, 0x61}, {6, 0x40}, {8, 0x05}, {9, 0x25},
        {12, 0x82}, {13, 0x08}, {18, 0x38}, {27, 0x32}, {28, 0x1E}, {29, 0x32}, {30, 0x2D}, {31, 0x01},
        {64, 0x7F}, {65, 0x98}, {72, 0x06}, {73, 'K'}, {74, 'V'}, {75, 'R'}, {93, 0x09}, {94, 0x45}};
    for (auto [i, v] : bytes)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    return image;
}

SpdImage Ddr3Image()
{
    SpdImage image{};
    const std::pair<int, int> bytes[] = {
        {0, 0x92}, {1, 0x10}, {2, 0x0B}, {3, 0x02}, {4, 0x03}, {5, 0x19}, {7, 0x09}, {8, 0x03}, {10, 1},
        {11, 8}, {12, 0x0C}, {14, 0x7E}, {18, 0x69}, {19, 0x30}, {20, 0x69}, {21, 0x11}, {22, 0x18},
        {148, 0x80}, {149, 0xCE}, {128, 'M'}, {129, '3'}};
    for (auto [i, v] : bytes)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    return image;
}

void FullSettle(benchmark::State& state, const SpdImage& image)
{
    for (auto _ : state) {
        DecodeContext context;
        SpdDocument document(context, "SPD_File 1");
        OpenAndSettle(document, image);
        benchmark::DoNotOptimize(document.view().legacy[0].data());
    }
}

void BM_FullSettleDdr2(benchmark::State& state)
{
    FullSettle(state, Ddr2Image());
}
BENCHMARK(BM_FullSettleDdr2)->Unit(benchmark::kMicrosecond);

void BM_FullSettleDdr3(benchmark::State& state)
{
    FullSettle(state, Ddr3Image());
}
BENCHMARK(BM_FullSettleDdr3)->Unit(benchmark::kMicrosecond);

// One pass of decodeByte over all 256 bytes on a document that already exists:
// what every key press in the byte entry box costs the engine.
void BM_DecodeAllBytes(benchmark::State& state)
{
    DecodeContext context;
    SpdDocument document(context);
    OpenAndSettle(document, Ddr2Image());
    for (auto _ : state)
        document.decodeAll();
}
BENCHMARK(BM_DecodeAllBytes)->Unit(benchmark::kMicrosecond);

void BM_JedecProg(benchmark::State& state)
{
    const char* keys[] = {"01", "2C", "7F98", "7F7FFE", "7F7F7F7F7F51", "7F7F7F7F7F7F4F", "81", "7F7F7F0B000000", "2c"};
    std::size_t found = 0;
    for (auto _ : state)
        for (const char* key : keys)
            found += ManufacturerName(key) != nullptr;
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 9);
}
BENCHMARK(BM_JedecProg);

void BM_ParseText(benchmark::State& state)
{
    const std::string text = SpdTextBytes(Ddr2Image());
    for (auto _ : state) {
        ParsedImage parsed = ParseSpdText(text);
        benchmark::DoNotOptimize(parsed.image.data());
    }
}
BENCHMARK(BM_ParseText);

}  // namespace

namespace {

void Set16(std::vector<std::uint8_t>& image, int at, int value)
{
    image[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value & 0xFF);
    image[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>(value >> 8);
}

void SetText(std::vector<std::uint8_t>& image, int at, const char* text)
{
    for (int i = 0; text[i] != 0; ++i)
        image[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(text[i]);
}

// A DDR4-3200 SO-DIMM with two XMP 2.0 profiles.
std::vector<std::uint8_t> Ddr4Image()
{
    std::vector<std::uint8_t> image(512, 0);
    const std::pair<int, int> bytes[] = {
        {0, 0x23}, {1, 0x11}, {2, 0x0C}, {3, 0x03}, {4, 0x45}, {11, 0x03}, {12, 0x02}, {13, 0x03},
        {18, 0x05}, {20, 0xF8}, {21, 0xFF}, {22, 0x2F}, {24, 0x6E}, {25, 0x6E}, {26, 0x6E}, {27, 0x11},
        {28, 0x00}, {29, 0x6E}, {30, 0xF0}, {31, 0x0A}, {36, 0x00}, {37, 0xA8}, {38, 0x1B}, {39, 0x28},
        {40, 0x28}, {42, 0x78}, {320, 0x80}, {321, 0xCE}, {323, 0x21}, {324, 0x43},
        {384, 0x0C}, {385, 0x4A}, {386, 0x03}, {387, 0x20}, {393, 0x87}, {396, 0x04}, {401, 0x7D},
        {440, 0x87}, {443, 0x05}, {448, 0x7D}};
    for (auto [i, v] : bytes)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    SetText(image, 329, "SYNTH4-8G-3200      ");
    FixCrcBlocks(image);
    return image;
}

// A DDR5-4800 SO-DIMM with an XMP 3.0 header, two XMP profiles and EXPO.
std::vector<std::uint8_t> Ddr5Image()
{
    std::vector<std::uint8_t> image(1024, 0);
    const std::pair<int, int> bytes[] = {
        {0, 0x30}, {1, 0x10}, {2, 0x12}, {3, 0x03}, {4, 0x04}, {6, 0x20}, {24, 0xFE}, {25, 0x7F},
        {26, 0x05}, {235, 0x23}, {512, 0x80}, {513, 0xCE}, {515, 0x22}, {516, 0x05},
        {0x280, 0x0C}, {0x281, 0x4A}, {0x282, 0x30}, {0x283, 0x03}, {0x344, 0x10}, {0x345, 0x11}};
    for (auto [i, v] : bytes)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
    const std::pair<int, int> times[] = {{20, 416}, {30, 16640}, {32, 16640}, {34, 16640}, {36, 32000},
        {38, 48640}, {40, 30000}, {42, 295}, {44, 160}, {46, 130}, {70, 5000}, {73, 5000}, {82, 13333}};
    for (auto [at, value] : times)
        Set16(image, at, value);
    SetText(image, 521, "SYNTH5-16G-4800               ");
    SetText(image, 0x28E, "Synthetic 6000");
    SetText(image, 0x340, "EXPO");
    for (int profile : {0x2C0, 0x300}) {
        image[static_cast<std::size_t>(profile) + 1] = 0x27;
        Set16(image, profile + 5, 333);
        Set16(image, profile + 13, 10000);
        Set16(image, profile + 25, 295);
    }
    for (int profile : {0x34A, 0x372}) {
        image[static_cast<std::size_t>(profile)] = 0x27;
        Set16(image, profile + 4, 333);
        Set16(image, profile + 6, 10000);
    }
    FixCrcBlocks(image);
    return image;
}

// What `decode --json` does per file once the bytes are read: the decode and
// its one-line record.
void DecodeToJson(benchmark::State& state, const std::vector<std::uint8_t>& image)
{
    std::string out;
    for (auto _ : state) {
        out.clear();
        const ModuleDecode decode = DecodeModule(image);
        AppendDecodeJson(out, "/tmp/images/img000123.bin", decode);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DecodeJson512(benchmark::State& state)
{
    DecodeToJson(state, Ddr4Image());
}
BENCHMARK(BM_DecodeJson512)->Unit(benchmark::kMicrosecond);

void BM_DecodeJson1024(benchmark::State& state)
{
    DecodeToJson(state, Ddr5Image());
}
BENCHMARK(BM_DecodeJson1024)->Unit(benchmark::kMicrosecond);

// A key press in the workstation's 1024-byte document (XMP 3.0 and EXPO):
// the byte stored, every CRC block rewritten, the image decoded again. The
// target is well under 2 ms.
void BM_KeyPressModuleDocument1024(benchmark::State& state)
{
    SpdDocument document(ImageData{Ddr5Image(), 1024}, "ddr5.bin");
    std::uint8_t value = 0;
    for (auto _ : state) {
        document.editByte(0x2D0, value++);
        benchmark::DoNotOptimize(document.decode().checks.data());
    }
}
BENCHMARK(BM_KeyPressModuleDocument1024)->Unit(benchmark::kMicrosecond);

}  // namespace
