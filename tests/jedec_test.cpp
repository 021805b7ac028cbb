#include "decode/jedec.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace tessaro;

namespace {

struct TsvRow {
    std::string key, name;
};

// The data file read independently of the generated table.
std::vector<TsvRow> TsvRows()
{
    std::vector<TsvRow> rows;
    std::istringstream in(test::ReadAll(TESSARO_JEP106_TSV));
    std::string line;
    std::getline(in, line);  // heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        TsvRow row;
        std::string bank, code;
        std::getline(fields, row.key, '\t');
        std::getline(fields, bank, '\t');
        std::getline(fields, code, '\t');
        std::getline(fields, row.name);
        rows.push_back(row);
    }
    return rows;
}

// The lookup as a plain scan of the table: the first key equal but for the
// case of its letters wins.
const char* Scan(const std::vector<TsvRow>& rows, std::string key)
{
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& row : rows)
        if (row.key == key)
            return row.name.c_str();
    return nullptr;
}

}  // namespace

TEST(Jedec, TellingRows)
{
    const std::pair<const char*, const char*> rows[] = {
        {"01", "(AMD)"},
        {"04", "(FUJITSU)"},
        {"2C", "(MICRON TECHNOLOGY)"},
        {"AD", "(Hynix Semiconductor Inc.)"},
        {"CE", "(SAMSUNG)"},
        {"FE", "(Numonyx Corporation)"},
        {"7F01", "(CIRRUS LOGIC)"},
        {"7F98", "(KINGSTON)"},
        {"7F7FFE", "(ELPIDA)"},
        {"7F7F7F7F7F51", "(Qimonda)"},
        {"7F7F7F7F7F7F4F", "(TOPRAM Technology)"},
        {"7F7F7F7F7F7FD0", "(NEW ID)"},
        {"7F7F7F7F7F7FFE", "(NEW ID)"},
    };
    for (const auto& [key, name] : rows) {
        ASSERT_NE(ManufacturerName(key), nullptr) << key;
        EXPECT_STREQ(ManufacturerName(key), name) << key;
    }
}

TEST(Jedec, WholeKeysOfEitherCaseOnly)
{
    EXPECT_STREQ(ManufacturerName("7f7f9e"), "(CORSAIR)");
    EXPECT_STREQ(ManufacturerName("7f01"), "(CIRRUS LOGIC)");
    for (const char* key : {"81", "03", "7F", "7F7F", "7F7F7F7F7F7F7F01", " 2C", "2C ", "", "0", "7e01",
                            "2C2C", "7F017F", "XY", "00", "FF"})
        EXPECT_EQ(ManufacturerName(key), nullptr) << '"' << key << '"';
}

TEST(Jedec, TableHas882DistinctRowsInBankOrder)
{
    ASSERT_EQ(Jep106RowCount(), 882);
    const Jep106Row* rows = Jep106Rows();
    for (int i = 0; i < 882; ++i) {
        EXPECT_EQ(rows[i].bank, i / 126 + 1);
        EXPECT_EQ(rows[i].code, i % 126 + 1);
        EXPECT_EQ(std::string(rows[i].key).size(), static_cast<std::size_t>(2 * rows[i].bank));
        EXPECT_STREQ(ManufacturerName(rows[i].key), rows[i].name);
    }
    // Bank 7 codes 80 and up are placeholders.
    for (int code = 80; code <= 126; ++code)
        EXPECT_STREQ(rows[6 * 126 + code - 1].name, "(NEW ID)");
}

TEST(Jedec, IndexAnswersLikeAScanOfTheDataFile)
{
    const std::vector<TsvRow> rows = TsvRows();
    ASSERT_EQ(rows.size(), 882u);
    for (const auto& row : rows) {
        const char* got = ManufacturerName(row.key);
        ASSERT_NE(got, nullptr) << row.key;
        EXPECT_EQ(std::string(got), row.name);
    }
    // Random keys of plausible shapes: leading 7F runs, any last byte, some lower case.
    std::mt19937 rng(1234);
    const char digits[] = "0123456789ABCDEFabcdef7Ff";
    for (int i = 0; i < 20000; ++i) {
        std::string key;
        const int continuations = static_cast<int>(rng() % 9);
        for (int c = 0; c < continuations; ++c)
            key += (rng() % 20) ? "7F" : "7E";
        const int tail = static_cast<int>(rng() % 3);
        for (int t = 0; t < tail; ++t)
            key += digits[rng() % (sizeof digits - 1)];
        const char* expected = Scan(rows, key);
        const char* got = ManufacturerName(key);
        if (expected) {
            ASSERT_NE(got, nullptr) << key;
            EXPECT_EQ(std::string(got), expected) << key;
        } else {
            EXPECT_EQ(got, nullptr) << key;
        }
    }
}
