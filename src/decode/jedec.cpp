#include "decode/jedec.h"

#include "core/hex.h"

#include <array>

namespace tessaro {

namespace {

constexpr Jep106Row kRows[] = {
#include "jep106_rows.inc"
};
constexpr int kRowCount = static_cast<int>(sizeof kRows / sizeof kRows[0]);
constexpr int kBanks = 7;

// Names by bank and stored code byte. Every key of the table is "7F" written
// bank - 1 times and the code byte, so this index answers exactly the keys a
// scan of the table would find.
struct Index {
    std::array<std::array<const char*, 256>, kBanks> names{};
    Index()
    {
        for (const auto& row : kRows) {
            const std::string_view key = row.key;
            const int code = HexDigitValue(key[key.size() - 2]) * 16 + HexDigitValue(key.back());
            auto& slot = names[static_cast<std::size_t>(row.bank - 1)][static_cast<std::size_t>(code)];
            if (!slot)  // the first row with a key wins
                slot = row.name;
        }
    }
};

const Index& TheIndex()
{
    static const Index index;
    return index;
}

}  // namespace

const Jep106Row* Jep106Rows()
{
    return kRows;
}

int Jep106RowCount()
{
    return kRowCount;
}

const char* ManufacturerName(std::string_view key)
{
    const std::size_t n = key.size();
    if (n < 2 || n > 2 * kBanks || n % 2 != 0)
        return nullptr;
    const std::size_t pairs = n / 2;
    for (std::size_t p = 0; p + 1 < pairs; ++p)
        if (key[2 * p] != '7' || HexDigitValue(key[2 * p + 1]) != 15)
            return nullptr;
    const int high = HexDigitValue(key[n - 2]);
    const int low = HexDigitValue(key[n - 1]);
    if (high < 0 || low < 0)
        return nullptr;
    return TheIndex().names[pairs - 1][static_cast<std::size_t>(high * 16 + low)];
}

}  // namespace tessaro
