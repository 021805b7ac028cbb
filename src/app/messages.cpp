#include "app/messages.h"

namespace tessaro::ui {

void ShowError(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kProductTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace tessaro::ui
