#pragma once

#include <QKeyEvent>

#include <cstdint>
#include <optional>

namespace tessaro {

// The byte a navigation key moves the selection to in a grid of 16 bytes a
// row: arrows by one byte or row, Home/End to the row's first or last byte,
// Ctrl+Home/Ctrl+End to the first or last byte, PgUp/PgDn by `pageRows` rows.
// Up and PgUp stop in the first row's column, Down and PgDn in the last row's.
// Empty for any other key.
[[nodiscard]] std::optional<int> NavigationTarget(const QKeyEvent& key, int current, int size, int pageRows);

// Two hexadecimal digits typed on the selected cell: the first is held (the
// cell shows it half typed), the second completes the byte. Esc or a move
// abandons a held digit.
class HexTyping
{
public:
    // The byte the key completes; a first digit is held and reports nothing.
    std::optional<std::uint8_t> digit(int value);
    void abandon() { m_high = -1; }
    [[nodiscard]] bool pending() const { return m_high >= 0; }
    [[nodiscard]] int heldDigit() const { return m_high; }  // 0-15, -1 when none

private:
    int m_high = -1;
};

// The value of a key that types one hexadecimal digit (no Ctrl or Alt); -1 otherwise.
[[nodiscard]] int TypedHexDigit(const QKeyEvent& key);

}  // namespace tessaro
