#pragma once

#include <QIcon>

namespace tessaro {

// The program's icon (a memory module with its SPD chip) in every size the
// program carries, 16 to 256 pixels: the window icon of every window.
[[nodiscard]] QIcon ApplicationIcon();

}  // namespace tessaro
