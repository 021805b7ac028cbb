#include "app/mail.h"

#include "app/messages.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace tessaro {

QString MailtoLink(const QString& address, const QString& subject, const QString& body, const QString& cc,
                   const QString& bcc, const QString& attachment)
{
    QString query;
    if (!subject.isEmpty())
        query = QStringLiteral("&Subject=") + subject;
    if (!body.isEmpty())
        query += QStringLiteral("&Body=") + body;
    if (!cc.isEmpty())
        query += QStringLiteral("&CC=") + cc;
    if (!bcc.isEmpty())
        query += QStringLiteral("&BCC=") + bcc;
    if (!attachment.isEmpty())
        query += QStringLiteral("&Attach=\"") + attachment + QLatin1Char('"');
    if (!query.isEmpty())
        query[0] = QLatin1Char('?');
    return QStringLiteral("mailto:") + address + query;
}

QString SupportMailAddress()
{
    return QStringLiteral(TESSARO_SUPPORT_MAIL);
}

QString WebAddress()
{
    return QStringLiteral(TESSARO_WEB_ADDRESS);
}

}  // namespace tessaro

namespace tessaro::ui {

bool OpenWithDesktop(const QString& link)
{
    // Tolerant parsing: spaces and non-ASCII characters in the link are
    // encoded on the way to the desktop, not rejected.
    return QDesktopServices::openUrl(QUrl(link, QUrl::TolerantMode));
}

namespace {

bool Open(const QString& link, const LinkOpener& open)
{
    return open ? open(link) : OpenWithDesktop(link);
}

}  // namespace

bool SendMail(const QString& address, const QString& subject, const QString& body, const QString& cc,
              const QString& bcc, const QString& attachment, const LinkOpener& open)
{
    return Open(MailtoLink(address, subject, body, cc, bcc, attachment), open);
}

QString NoMailProgramText(const QString& address)
{
    return QStringLiteral("無法啟動郵件程式，請寫信至 %1\nNo mail program could be started: please write to %1")
        .arg(address);
}

bool SendSupportMail(const LinkOpener& open, QWidget* parent)
{
    if (SendMail(SupportMailAddress(), QString::fromUtf8(kSupportMailSubject), {}, {}, {}, {}, open))
        return true;
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kProductTitle), NoMailProgramText(SupportMailAddress()),
                    QMessageBox::Ok, parent);
    // The address can be selected and copied from the message.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
    return false;
}

void OpenWebSite(const LinkOpener& open)
{
    Open(WebAddress(), open);
}

}  // namespace tessaro::ui
