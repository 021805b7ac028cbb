#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <ostream>
#include <functional>
#include <vector>

class QWidget;

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tessaro::test {

// What a message box showed.
struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the modal windows that the code under test opens. While it lives it
// looks for the active modal widget every few milliseconds (the modal loop
// keeps timers running): a message box is recorded and answered with the next
// queued button (its default button when the queue is empty); any other modal
// dialog goes to the next queued dialog handler, or is rejected.
class ModalResponder
{
public:
    ModalResponder();
    ~ModalResponder();
    ModalResponder(const ModalResponder&) = delete;
    ModalResponder& operator=(const ModalResponder&) = delete;

    void answer(QMessageBox::StandardButton button) { m_buttons.push_back(button); }
    void handleDialog(std::function<void(QWidget*)> handler) { m_handlers.push_back(std::move(handler)); }
    // A modal window the test drives itself: never answered.
    static void ignore(QWidget* widget) { widget->setProperty("tessaroAnswered", true); }

    [[nodiscard]] const std::vector<SeenMessage>& messages() const { return m_messages; }
    [[nodiscard]] int dialogsSeen() const { return m_dialogs; }
    void clear() { m_messages.clear(); }

private:
    void poll();

    QTimer m_timer;
    std::deque<QMessageBox::StandardButton> m_buttons;
    std::deque<std::function<void(QWidget*)>> m_handlers;
    std::vector<SeenMessage> m_messages;
    int m_dialogs = 0;
};

// A settings file of its own for a test, removed with it; QSettings in IniFormat.
QString TemporarySettingsPath();

}  // namespace tessaro::test
