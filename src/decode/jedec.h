#pragma once

#include <string_view>

namespace tessaro {

struct Jep106Row {
    const char* key;   // "7F" once per continuation code, then the code byte with its parity bit
    int bank;          // 1-7
    int code;          // 1-126
    const char* name;  // "(AMD)"
};

// All 882 rows in table order (by bank, then code).
[[nodiscard]] const Jep106Row* Jep106Rows();
[[nodiscard]] int Jep106RowCount();

// The manufacturer's name of the row whose key equals key (hex digits of
// either case, the whole text: "7F7F9E" and "7f7f9e" alike), or nullptr when
// no row matches.
[[nodiscard]] const char* ManufacturerName(std::string_view key);

}  // namespace tessaro
