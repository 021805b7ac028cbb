#pragma once

#include "core/spdimage.h"

#include <QColor>

namespace tessaro {

inline const QColor kSelectedColour(255, 0, 0);
inline const QColor kEditedColour(255, 255, 0);
inline const QColor kGeneratedColour(0, 255, 0);
inline const QColor kProgrammerDiffersColour(255, 128, 255);  // differs from the programmer's image
inline const QColor kRangeColour(255, 170, 170);  // the other bytes of a selected range

// The background of a byte cell with this mark; plain cells show `plain`, the
// system button-face colour.
[[nodiscard]] inline QColor MarkColour(Mark mark, const QColor& plain)
{
    switch (mark) {
    case Mark::Selected: return kSelectedColour;
    case Mark::Edited: return kEditedColour;
    case Mark::Generated: return kGeneratedColour;
    case Mark::Differs: return kProgrammerDiffersColour;
    case Mark::Plain: break;
    }
    return plain;
}

}  // namespace tessaro
