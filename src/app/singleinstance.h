#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace tessaro::ui {

// Finds out whether the system already runs for this user, through a local
// socket named after the product and the user. The primary instance keeps the
// socket open; a later one knocks on it and asks to be brought to the front.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // An empty name means DefaultServerName().
    explicit SingleInstance(QString serverName = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket name for the product and the user running it.
    [[nodiscard]] static QString DefaultServerName();

    [[nodiscard]] QString serverName() const { return m_name; }

    // False when another instance answers. Otherwise this object starts
    // listening (after removing a socket that a crashed instance left behind)
    // and the result is true.
    [[nodiscard]] bool tryBecomePrimary();
    // Asks the running instance to bring its main window to the front.
    void activatePrimary();

signals:
    // In the primary: a later instance asked for the main window.
    void activateRequested();

private:
    [[nodiscard]] bool knock(bool activate);
    void accept();
    void read(QLocalSocket* socket);

    QString m_name;
    QLocalServer* m_server = nullptr;
};

// The message of a second instance: "本程式已執行", critical icon, product title.
void ShowAlreadyRunning(QWidget* parent);

}  // namespace tessaro::ui
