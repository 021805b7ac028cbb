#pragma once

#include <QIcon>
#include <QString>

namespace tessaro::ui {

// The tool-bar pictures, drawn at run time: NEW, OPEN, SAVE, PRINT, WIZARD,
// MAIL, CONNECT (and IC, DRAM).
[[nodiscard]] QIcon ToolIcon(const QString& key);

}  // namespace tessaro::ui
