#include "app/mail.h"

#include <QDesktopServices>
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

void OpenWithDesktop(const QString& link)
{
    // Tolerant parsing: spaces and non-ASCII characters in the link are
    // encoded on the way to the desktop, not rejected.
    QDesktopServices::openUrl(QUrl(link, QUrl::TolerantMode));
}

namespace {

void Open(const QString& link, const LinkOpener& open)
{
    if (open)
        open(link);
    else
        OpenWithDesktop(link);
}

}  // namespace

void SendMail(const QString& address, const QString& subject, const QString& body, const QString& cc,
              const QString& bcc, const QString& attachment, const LinkOpener& open)
{
    Open(MailtoLink(address, subject, body, cc, bcc, attachment), open);
}

void SendSupportMail(const LinkOpener& open)
{
    SendMail(SupportMailAddress(), QString::fromUtf8(kSupportMailSubject), {}, {}, {}, {}, open);
}

void OpenWebSite(const LinkOpener& open)
{
    Open(WebAddress(), open);
}

}  // namespace tessaro::ui
