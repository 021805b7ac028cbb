// Find and go to without a window: the find text's bytes, the search with its
// wrapping round, the typed offset.
#include "core/bytesearch.h"

#include <gtest/gtest.h>

using namespace tessaro;

TEST(ByteSearch, PatternsFromHexAndText)
{
    const struct {
        const char* text;
        FindKind kind;
        std::vector<std::uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"4D 54", FindKind::Hex, {0x4D, 0x54}, ""},
        {"4d54", FindKind::Hex, {0x4D, 0x54}, ""},
        {" 4d  5A ", FindKind::Hex, {0x4D, 0x5A}, ""},
        {"4D5", FindKind::Hex, {}, "hex bytes are pairs of digits"},
        {"4 D", FindKind::Hex, {}, "hex bytes are pairs of digits"},
        {"4G", FindKind::Hex, {}, "only hex digits and spaces"},
        {"  ", FindKind::Hex, {}, "nothing to find"},
        {"", FindKind::Text, {}, "nothing to find"},
        {"M4 ", FindKind::Text, {'M', '4', ' '}, ""},
        {"\xE5\x80\xBC", FindKind::Text, {0xE5, 0x80, 0xBC}, ""},  // UTF-8, as typed
    };
    for (const auto& c : cases) {
        const FindPattern p = ParseFindPattern(c.text, c.kind);
        EXPECT_EQ(p.bytes, c.bytes) << c.text;
        EXPECT_EQ(p.error, c.error) << c.text;
    }
}

TEST(ByteSearch, FindsForwardAndBackwardGoingRoundTheEnds)
{
    //                                   0     1     2     3     4     5     6     7
    const std::vector<std::uint8_t> bytes{0xAA, 0xBB, 0x00, 0xAA, 0xBB, 0x00, 0xAA, 0xCC};
    const std::vector<std::uint8_t> ab{0xAA, 0xBB};
    const struct {
        int from;
        bool backward;
        int offset;
        bool wrapped;
    } cases[] = {
        {0, false, 0, false}, {1, false, 3, false}, {4, false, 0, true},  // past the last match: round the end
        {7, false, 0, true},  {7, true, 3, false},  {3, true, 3, false},
        {2, true, 0, false},  {-1, false, 0, false},  // clamped to the first byte
    };
    for (const auto& c : cases) {
        const FindMatch m = FindBytes(bytes, ab, c.from, c.backward);
        EXPECT_EQ(m.offset, c.offset) << "from " << c.from << (c.backward ? " backward" : "");
        EXPECT_EQ(m.wrapped, c.wrapped) << "from " << c.from << (c.backward ? " backward" : "");
    }
    const std::vector<std::uint8_t> tail{0xAA, 0xCC};
    EXPECT_EQ(FindBytes(bytes, tail, 0, true).offset, 6) << "backward from the start goes round to the end";
    EXPECT_TRUE(FindBytes(bytes, tail, 0, true).wrapped);
    const std::vector<std::uint8_t> missing{0xCC, 0xAA};  // would need a byte past the end
    EXPECT_EQ(FindBytes(bytes, missing, 0, false).offset, -1);
    EXPECT_EQ(FindBytes({}, ab, 0, false).offset, -1);
    EXPECT_EQ(FindBytes(bytes, std::vector<std::uint8_t>(9, 0xAA), 0, false).offset, -1);
}

TEST(ByteSearch, OffsetsAsTheGridShowsThem)
{
    const struct {
        const char* text;
        int size;
        int offset;  // -1: refused
    } cases[] = {
        {"1A2", 512, 0x1A2}, {"1a2h", 512, 0x1A2}, {"0x1A2", 512, 0x1A2}, {" 0 ", 256, 0},
        {"FF", 256, 0xFF},   {"100", 256, -1},     {"3FF", 1024, 0x3FF}, {"400", 1024, -1},
        {"", 256, -1},       {"h", 256, -1},       {"0x", 256, -1},      {"1G", 256, -1},
        {"-1", 256, -1},     {"0000000001", 256, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseOffset(c.text, c.size).value_or(-1), c.offset) << c.text;
}
