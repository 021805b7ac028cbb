// Engine speed: the full settle of one image (new window pass, load pass,
// settle pass), the JEP106 lookup, and parsing a text SPD file.
#include "decode/jedec.h"
#include "document/settle.h"
#include "files/spdformat.h"

#include <benchmark/benchmark.h>

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
