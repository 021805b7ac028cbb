#include "documentwindow/gridkeys.h"

#include "core/hex.h"

#include <algorithm>

namespace tessaro {

namespace {
constexpr int kColumns = 16;
}  // namespace

std::optional<int> NavigationTarget(const QKeyEvent& key, int current, int size, int pageRows)
{
    const int last = size - 1;
    const bool control = key.modifiers() & Qt::ControlModifier;
    const int page = std::max(1, pageRows) * kColumns;
    int target = current;
    switch (key.key()) {
    case Qt::Key_Left: target = current - 1; break;
    case Qt::Key_Right: target = current + 1; break;
    case Qt::Key_Up: target = current - kColumns; break;
    case Qt::Key_Down: target = current + kColumns; break;
    case Qt::Key_PageUp: target = current - page; break;
    case Qt::Key_PageDown: target = current + page; break;
    case Qt::Key_Home: target = control ? 0 : current - current % kColumns; break;
    case Qt::Key_End: target = control ? last : current - current % kColumns + kColumns - 1; break;
    default: return std::nullopt;
    }
    if (target < 0)
        target = key.key() == Qt::Key_Left ? 0 : current % kColumns;
    else if (target > last)
        target = key.key() == Qt::Key_Right ? last : std::min(last, (last / kColumns) * kColumns + current % kColumns);
    return target;
}

std::optional<std::uint8_t> HexTyping::digit(int value)
{
    if (m_high < 0) {
        m_high = value & 0xF;
        return std::nullopt;
    }
    const auto byte = static_cast<std::uint8_t>(m_high << 4 | (value & 0xF));
    m_high = -1;
    return byte;
}

int TypedHexDigit(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return -1;
    const QString text = key.text();
    if (text.size() != 1 || text[0].unicode() > 0x7F)
        return -1;
    return HexDigitValue(static_cast<char>(text[0].unicode()));
}

}  // namespace tessaro
