#include "app/mail.h"

#include <QDesktopServices>
#include <QUrl>

namespace tessaro {

QString MailtoLink(const QString& Address, const QString& Subject, const QString& Body, const QString& CC,
                   const QString& BCC, const QString& ATTACH)
{
    QString query;
    if (!Subject.isEmpty())
        query = QStringLiteral("&Subject=") + Subject;
    if (!Body.isEmpty())
        query += QStringLiteral("&Body=") + Body;
    if (!CC.isEmpty())
        query += QStringLiteral("&CC=") + CC;
    if (!BCC.isEmpty())
        query += QStringLiteral("&BCC=") + BCC;
    if (!ATTACH.isEmpty())
        query += QStringLiteral("&Attach=\"") + ATTACH + QLatin1Char('"');
    if (!query.isEmpty())
        query[0] = QLatin1Char('?');
    return QStringLiteral("mailto:") + Address + query;
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

void SendMail(const QString& Address, const QString& Subject, const QString& Body, const QString& CC,
              const QString& BCC, const QString& ATTACH, const LinkOpener& open)
{
    Open(MailtoLink(Address, Subject, Body, CC, BCC, ATTACH), open);
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
