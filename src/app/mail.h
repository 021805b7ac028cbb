#pragma once

#include <QString>

#include <functional>
#include <type_traits>
#include <utility>

class QWidget;

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

// Hands a link to whatever the desktop opens it with, true when something
// took it. One that returns nothing counts as having taken every link.
class LinkOpener
{
public:
    LinkOpener() = default;
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, LinkOpener> &&
                                                      std::is_invocable_v<F&, const QString&>>>
    LinkOpener(F open)  // NOLINT(google-explicit-constructor): any callable will do
    {
        if constexpr (std::is_void_v<std::invoke_result_t<F&, const QString&>>)
            m_open = [open = std::move(open)](const QString& link) mutable {
                open(link);
                return true;
            };
        else
            m_open = [open = std::move(open)](const QString& link) mutable { return static_cast<bool>(open(link)); };
    }
    explicit operator bool() const { return static_cast<bool>(m_open); }
    bool operator()(const QString& link) const { return m_open(link); }

private:
    std::function<bool(const QString&)> m_open;
};

// The desktop's own opener (an empty LinkOpener stands for it).
bool OpenWithDesktop(const QString& link);

// Builds the mailto link and hands it to the desktop's mail program; false
// when no mail program took it.
bool SendMail(const QString& address, const QString& subject, const QString& body, const QString& cc,
              const QString& bcc, const QString& attachment, const LinkOpener& open = {});

// A support mail to the maker: the support address and the support subject.
// When no mail program takes it, a message under `parent` gives the address
// to write to; false then.
bool SendSupportMail(const LinkOpener& open = {}, QWidget* parent = nullptr);
// The message when no mail program could be started.
[[nodiscard]] QString NoMailProgramText(const QString& address);

// The maker's web site in the desktop's browser.
void OpenWebSite(const LinkOpener& open = {});

}  // namespace tessaro::ui
