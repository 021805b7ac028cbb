#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace tessaro::ui {

inline constexpr const char* kProductTitle = "TESSARO ";   // the product name and one space
inline constexpr const char* kDeviceErrorTitle = "錯誤訊息";  // programmer and file work
inline constexpr const char* kAccessErrorTitle = "錯誤";      // password and permission

// A modal message box with the critical-error icon and the given title.
void ShowError(QWidget* parent, const QString& title, const QString& text);
// A success message: no icon and no title of its own (the product's title).
void ShowMessage(QWidget* parent, const QString& text);
// The box of ShowError (`failure`) or of ShowMessage, opened without waiting
// for it: modal to `parent`'s window, it goes when the operator closes it,
// and then `closed` runs.
void OpenMessage(QWidget* parent, bool failure, const QString& title, const QString& text,
                 std::function<void()> closed);

}  // namespace tessaro::ui
