#include "app/messages.h"

#include <memory>

namespace tessaro::ui {

namespace {
QMessageBox* NewBox(QWidget* parent, bool failure, const QString& title, const QString& text)
{
    return new QMessageBox(failure ? QMessageBox::Critical : QMessageBox::NoIcon,
                           failure ? title : QString::fromUtf8(kProductTitle), text, QMessageBox::Ok, parent);
}
}  // namespace

void ShowError(QWidget* parent, const QString& title, const QString& text)
{
    const std::unique_ptr<QMessageBox> box(NewBox(parent, true, title, text));
    box->exec();
}

void ShowMessage(QWidget* parent, const QString& text)
{
    const std::unique_ptr<QMessageBox> box(NewBox(parent, false, {}, text));
    box->exec();
}

void OpenMessage(QWidget* parent, bool failure, const QString& title, const QString& text,
                 std::function<void()> closed)
{
    QMessageBox* box = NewBox(parent, failure, title, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)] {
        if (closed)
            closed();
    });
    box->open();
}

}  // namespace tessaro::ui
