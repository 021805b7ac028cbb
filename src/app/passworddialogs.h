#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tessaro::ui {

// Captions of the password setting dialog.
inline constexpr const char* kSetPasswordCaption = "密碼設定";
inline constexpr const char* kFirstPasswordCaption = "第一次密碼設定";
// The password setting dialog's answer to an empty new password.
inline constexpr const char* kEmptyPasswordText = " *****  密碼不可空白，請重新輸入 !  *****";

// Asks for the operator password at start-up. The answer is written into the
// application's operatorAuthorized flag, which must outlive the dialog.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    LoginDialog(QString storedPassword, bool& operatorAuthorized, QWidget* parent = nullptr);

    [[nodiscard]] bool loginSucceeded() const { return m_loginSucceeded; }
    // Wrong entries since the dialog was created.
    [[nodiscard]] int failCount() const { return m_failCount; }

public slots:
    // "取 消", Escape and the close box: no authorization for this run.
    void reject() override;

private:
    void confirm();

    QString m_storedPassword;
    bool& m_operatorAuthorized;
    bool m_loginSucceeded = false;
    int m_failCount = 0;
    QLineEdit* m_password = nullptr;
};

// Sets a new password. An empty one is refused; a confirmed one is handed to
// storePassword as typed, which keeps it in the settings store;
// operatorAuthorized is never touched.
class SetPasswordDialog : public QDialog
{
    Q_OBJECT

public:
    using PasswordStore = std::function<void(const QString& password)>;

    explicit SetPasswordDialog(PasswordStore storePassword, QWidget* parent = nullptr);

    // The first-start caption, or back to the ordinary one.
    void setFirstStart(bool firstStart);

    // Whether a password was confirmed and handed on to be stored.
    [[nodiscard]] bool passwordStored() const { return m_passwordStored; }

public slots:
    // "取 消", Escape and the close box: nothing is stored.
    void reject() override;

private:
    void confirm();

    PasswordStore m_storePassword;
    bool m_passwordStored = false;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_confirm = nullptr;
};

}  // namespace tessaro::ui
