#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace tessaro::ui {

// Finds out whether the system already runs for this user. The lock file and
// the local socket live in a folder only this user can enter, named after the
// numeric user id: the primary instance holds the lock and listens on the
// socket; a later one finds the lock taken, knocks on the socket and asks to
// be brought to the front, handing over the files it was started with. A lock left by a crashed instance is stale (its
// process is gone) and so is the socket next to it; both are taken over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // directory: the private folder for the lock and the socket; empty means
    // PrivateRuntimeDirectory().
    explicit SingleInstance(QString directory = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The user's private folder for the lock and the socket:
    // $XDG_RUNTIME_DIR when it is set and is a folder of this user that only
    // this user can enter; otherwise "tessaro-UID" in the temporary folder,
    // and when someone else holds that name, "tessaro-UID" in the user's cache
    // folder. Empty when none of them can be had.
    [[nodiscard]] static QString PrivateRuntimeDirectory();

    // The full path of the socket; empty when there is no private folder.
    [[nodiscard]] QString serverName() const { return m_name; }

    // False when another instance runs. Otherwise this object holds the lock,
    // listens on the socket (after removing one that a crashed instance left
    // behind) and the result is true. Without a private folder the check
    // cannot be made and the result is true.
    [[nodiscard]] bool tryBecomePrimary();
    // Asks the running instance to open `files` (made absolute against this
    // process's working folder) and to bring its main window to the front.
    void activatePrimary(const QStringList& files = {});

signals:
    // In the primary: a later instance asked for a file to be opened, by its
    // absolute path; the requests of one start arrive before its activation.
    void openRequested(const QString& path);
    // In the primary: a later instance asked for the main window.
    void activateRequested();

private:
    [[nodiscard]] bool knock(bool activate, const QStringList& files = {});
    void accept();
    void read(QLocalSocket* socket);

    QString m_directory;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// Makes path a folder that only the running user can enter: creates it with
// mode 0700 when missing and takes group and other access away from a folder
// of the user's own. False (with the reason in why) when it is not a folder,
// is a symbolic link or belongs to another user.
[[nodiscard]] bool EnsurePrivateDirectory(const QString& path, QString* why = nullptr);

// The message of a second instance: "本程式已執行", critical icon, product title.
void ShowAlreadyRunning(QWidget* parent);

}  // namespace tessaro::ui
