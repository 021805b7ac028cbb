#pragma once

#include <QString>

#include <functional>

namespace tessaro {

// Subject of the support mail.
inline constexpr const char* kSupportMailSubject = "TESSARO 技術問題";

// The mailto link for the six mail texts. Empty parts are left out; the first
// query part is introduced by "?" and the others by "&"; the attachment is put
// in double quotes. Nothing is escaped: the texts go into the link as they are.
[[nodiscard]] QString MailtoLink(const QString& address, const QString& subject, const QString& body,
                                 const QString& cc, const QString& bcc, const QString& attachment);

// The maker's support mail address and web address, fixed when the system is built.
[[nodiscard]] QString SupportMailAddress();
[[nodiscard]] QString WebAddress();

}  // namespace tessaro

namespace tessaro::ui {

// Hands a link to whatever the desktop opens it with. The result is not checked.
using LinkOpener = std::function<void(const QString& link)>;

// The desktop's own opener (an empty LinkOpener stands for it).
void OpenWithDesktop(const QString& link);

// Builds the mailto link and hands it to the desktop's mail program.
void SendMail(const QString& address, const QString& subject, const QString& body, const QString& cc,
              const QString& bcc, const QString& attachment, const LinkOpener& open = {});

// A support mail to the maker: the support address and the support subject.
void SendSupportMail(const LinkOpener& open = {});

// The maker's web site in the desktop's browser.
void OpenWebSite(const LinkOpener& open = {});

}  // namespace tessaro::ui
