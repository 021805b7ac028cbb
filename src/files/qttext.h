#pragma once

#include <QString>

#include <string_view>

namespace tessaro {

// Text of the engine (UTF-8 bytes: decoded facts, messages, literals) as a
// QString for a window or the log. Every byte of the view counts, NUL
// included. File names do not come this way: they go through
// FileNameFromBytes, which keeps bytes that are not UTF-8.
[[nodiscard]] inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tessaro
