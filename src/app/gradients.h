#pragma once

#include <QColor>

namespace tessaro::ui {

// `gradient` running from `start` at its beginning to `end` at its end, the
// way the about box and the splash window shade their pictures.
template <typename Gradient>
[[nodiscard]] Gradient TwoColorGradient(Gradient gradient, const QColor& start, const QColor& end)
{
    gradient.setColorAt(0.0, start);
    gradient.setColorAt(1.0, end);
    return gradient;
}

}  // namespace tessaro::ui
