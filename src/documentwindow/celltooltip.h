#pragma once

#include <QHelpEvent>
#include <QRect>
#include <QString>
#include <QToolTip>
#include <QWidget>

namespace tessaro {

// The tool tip of a byte grid's cells: for a tool-tip event over a cell, its
// text (textOf(cell)) is shown for as long as the pointer stays in the cell;
// elsewhere none. Returns true when the event was a tool-tip event.
template <typename CellAt, typename CellRect, typename TextOf>
bool ShowCellToolTip(QEvent* event, QWidget* area, CellAt cellAt, CellRect cellRect, TextOf textOf)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    auto* help = static_cast<QHelpEvent*>(event);
    const int cell = cellAt(help->pos());
    if (cell >= 0)
        QToolTip::showText(help->globalPos(), textOf(cell), area, cellRect(cell));
    else
        QToolTip::hideText();
    return true;
}

}  // namespace tessaro
