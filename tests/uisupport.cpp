#include "uisupport.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>

namespace tessaro::test {

ModalResponder::ModalResponder()
{
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

ModalResponder::~ModalResponder() = default;

void ModalResponder::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    // A widget answered once is marked; a new box at the same address is not.
    if (modal == nullptr || !modal->isVisible() || modal->property("tessaroAnswered").toBool())
        return;
    modal->setProperty("tessaroAnswered", true);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_messages.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        QAbstractButton* button = nullptr;
        if (!m_buttons.empty()) {
            button = box->button(m_buttons.front());
            m_buttons.pop_front();
        }
        if (button == nullptr)
            button = box->defaultButton() != nullptr ? static_cast<QAbstractButton*>(box->defaultButton()) : box->buttons().value(0);
        // Clicked from the event loop, not from inside this poll.
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
        return;
    }
    ++m_dialogs;
    if (!m_handlers.empty()) {
        auto handler = std::move(m_handlers.front());
        m_handlers.pop_front();
        handler(modal);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    }
}

QString TemporarySettingsPath()
{
    static QTemporaryDir dir;
    static int counter = 0;
    return QDir(dir.path()).filePath(QStringLiteral("settings-%1.ini").arg(++counter));
}

}  // namespace tessaro::test
