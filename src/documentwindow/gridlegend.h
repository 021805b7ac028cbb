#pragma once

#include <QWidget>

namespace tessaro {

// The key to the byte grid's colours, in a few rows under the grid: a swatch
// of each cell colour (or a sample of red digits) with what it means.
class GridLegend : public QWidget
{
    Q_OBJECT
public:
    // The 256-byte window also has the fill start, the wizard's bytes, the
    // programmer's compare and the password-protected bytes; the larger
    // images' window has none of these.
    enum class Kind { SpdWindow, ModuleWindow };
    explicit GridLegend(Kind kind, QWidget* parent = nullptr);
};

}  // namespace tessaro
