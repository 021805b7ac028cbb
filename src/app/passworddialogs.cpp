#include "app/passworddialogs.h"

#include "app/messages.h"
#include "app/passwordrules.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace tessaro::ui {

namespace {

constexpr const char* kConfirmCaption = "確 認";
constexpr const char* kCancelCaption = "取 消";
constexpr const char* kWrongPasswordText = " *****  密碼錯誤，請重新輸入 !  *****";
constexpr const char* kMismatchText = " *****  密碼輸入不一致，請重新輸入 !  *****";

// Typed characters show as "*" whatever the platform's own mask character is.
constexpr const char* kMaskStyle = "QLineEdit { lineedit-password-character: 42; }";

QLineEdit* PasswordField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QString::fromLatin1(kMaskStyle));
    field->setMinimumWidth(160);
    return field;
}

// The confirm and cancel buttons under the fields; Enter presses the first.
QHBoxLayout* ButtonRow(QDialog* dialog, QPushButton*& ok)
{
    ok = new QPushButton(QString::fromUtf8(kConfirmCaption), dialog);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8(kCancelCaption), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// The dialog's layout: the fields, then the button row; returns the confirm button.
QPushButton* LayOutDialog(QDialog* dialog, QLayout* fields)
{
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(ButtonRow(dialog, ok));
    return ok;
}

// Focus back into a field with its whole text selected, for another try.
void RetryIn(QLineEdit* field)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

}  // namespace

LoginDialog::LoginDialog(QString storedPassword, bool& operatorAuthorized, QWidget* parent)
    : QDialog(parent), m_storedPassword(std::move(storedPassword)), m_operatorAuthorized(operatorAuthorized)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("密碼"));
    setModal(true);

    m_password = PasswordField("txtPassword", this);
    auto* label = new QLabel(QStringLiteral("輸入密碼 :"), this);
    label->setBuddy(m_password);

    auto* fields = new QHBoxLayout;
    fields->addWidget(label);
    fields->addWidget(m_password, 1);

    connect(LayOutDialog(this, fields), &QPushButton::clicked, this, &LoginDialog::confirm);

    m_password->setFocus(Qt::OtherFocusReason);
}

void LoginDialog::confirm()
{
    if (PasswordAccepted(m_password->text(), m_storedPassword)) {
        m_loginSucceeded = true;
        m_operatorAuthorized = true;
        accept();
        return;
    }
    ShowError(this, QString::fromUtf8(kAccessErrorTitle), QString::fromUtf8(kWrongPasswordText));
    RetryIn(m_password);
    ++m_failCount;
    if (m_failCount > 3)
        reject();  // the fourth wrong entry: the run goes on without authorization
}

void LoginDialog::reject()
{
    m_loginSucceeded = false;
    m_operatorAuthorized = false;
    QDialog::reject();
}

SetPasswordDialog::SetPasswordDialog(PasswordStore storePassword, QWidget* parent)
    : QDialog(parent), m_storePassword(std::move(storePassword))
{
    setObjectName(QStringLiteral("frmLogin1"));
    setModal(true);
    setFirstStart(false);

    m_newPassword = PasswordField("txtPassword2", this);
    m_confirm = PasswordField("txtPassword1", this);
    auto* newLabel = new QLabel(QStringLiteral("輸入新密碼 :"), this);
    newLabel->setBuddy(m_newPassword);
    auto* confirmLabel = new QLabel(QStringLiteral("確認新密碼 :"), this);
    confirmLabel->setBuddy(m_confirm);

    auto* fields = new QGridLayout;
    fields->addWidget(newLabel, 0, 0);
    fields->addWidget(m_newPassword, 0, 1);
    fields->addWidget(confirmLabel, 1, 0);
    fields->addWidget(m_confirm, 1, 1);
    fields->setColumnStretch(1, 1);

    connect(LayOutDialog(this, fields), &QPushButton::clicked, this, &SetPasswordDialog::confirm);

    m_newPassword->setFocus(Qt::OtherFocusReason);
}

void SetPasswordDialog::setFirstStart(bool firstStart)
{
    setWindowTitle(QString::fromUtf8(firstStart ? kFirstPasswordCaption : kSetPasswordCaption));
}

void SetPasswordDialog::confirm()
{
    if (!PasswordAllowed(m_newPassword->text())) {
        ShowError(this, QString::fromUtf8(kAccessErrorTitle), QString::fromUtf8(kEmptyPasswordText));
        RetryIn(m_newPassword);
        return;
    }
    // Letter case counts here, unlike at the entry dialog.
    if (m_confirm->text() != m_newPassword->text()) {
        ShowError(this, QString::fromUtf8(kAccessErrorTitle), QString::fromUtf8(kMismatchText));
        RetryIn(m_confirm);
        return;
    }
    if (m_storePassword)
        m_storePassword(m_newPassword->text());
    m_passwordStored = true;
    accept();
}

void SetPasswordDialog::reject()
{
    m_passwordStored = false;
    QDialog::reject();
}

}  // namespace tessaro::ui
