#include "app/windowlinkhost.h"

#include "app/mainwindow.h"
#include "app/messages.h"
#include "core/checks.h"
#include "documentwindow/checknote.h"
#include "documentwindow/documentwindow.h"
#include "files/qttext.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>
#include <QStatusBar>

namespace tessaro {

namespace {
// The link's own words in a detail line, as the windows say them; the port's
// path and the system's reason stay as they are.
const char* const kLinkWords[][2] = {
    {"no reply to the status request", QT_TRANSLATE_NOOP("WindowLinkHost", "no reply to the status request")},
    {"the status reply cannot be read", QT_TRANSLATE_NOOP("WindowLinkHost", "the status reply cannot be read")},
    {"no reply", QT_TRANSLATE_NOOP("WindowLinkHost", "no reply")},
    {"no document window is open", QT_TRANSLATE_NOOP("WindowLinkHost", "no document window is open")},
    {"the document window closed", QT_TRANSLATE_NOOP("WindowLinkHost", "the document window closed")},
};

QString DetailText(const std::string& line)
{
    QString text = ToQString(line);
    QString port;
    // "port /dev/ttyS0: reason" or "port /dev/ttyS0"
    if (text.startsWith(QLatin1String("port "))) {
        const qsizetype colon = text.indexOf(QLatin1String(": "));
        port = text.mid(5, colon < 0 ? -1 : colon - 5);
        text = colon < 0 ? QString() : text.mid(colon + 2);
    }
    for (const auto& words : kLinkWords) {
        if (text == QLatin1String(words[0])) {
            text = QCoreApplication::translate("WindowLinkHost", words[1]);
            break;
        }
    }
    if (port.isEmpty())
        return text;
    return text.isEmpty() ? QCoreApplication::translate("WindowLinkHost", "port %1").arg(port)
                          : QCoreApplication::translate("WindowLinkHost", "port %1: %2").arg(port, text);
}
}  // namespace

SpdDocument* WindowLinkHost::activeDocument()
{
    DocumentWindow* window = m_window.activeDocument();
    return window != nullptr ? &window->document() : nullptr;
}

namespace {
class WindowDocument final : public BoundDocument
{
public:
    explicit WindowDocument(DocumentWindow* window) : m_window(window) {}
    SpdDocument* document() override { return m_window != nullptr ? &m_window->document() : nullptr; }
    void change(const std::function<void()>& change) override
    {
        if (m_window != nullptr)
            m_window->recordStep(QString::fromUtf8("讀取 SPD"), change);
    }
    bool autoNumbering() override
    {
        return m_window != nullptr && m_window->programmerPanel()->autoSerialOption()->isChecked();
    }
    bool setAutoNumbering(bool on) override
    {
        if (m_window == nullptr || m_window->programmerPanel()->autoSerialOption()->isChecked() == on)
            return false;
        m_window->programmerPanel()->autoSerialOption()->setChecked(on);
        return true;
    }

private:
    QPointer<DocumentWindow> m_window;  // nullptr once the window is gone
};
}  // namespace

std::unique_ptr<BoundDocument> WindowLinkHost::bindActiveDocument()
{
    return std::make_unique<WindowDocument>(m_window.activeDocument());
}

namespace {
QString MessageText(const LinkMessage& message)
{
    QString text = ToQString(message.text);
    for (const std::string& line : message.details)
        text += QLatin1Char('\n') + DetailText(line);
    return text;
}
}  // namespace

void WindowLinkHost::showMessage(const LinkMessage& message)
{
    openMessage(message, nullptr);
}

void WindowLinkHost::openMessage(const LinkMessage& message, std::function<void()> closed)
{
    ui::OpenMessage(&m_window, message.failure, ToQString(message.title), MessageText(message), std::move(closed));
}

void WindowLinkHost::showProgress(const std::string& text)
{
    if (text.empty())
        m_window.statusBar()->clearMessage();
    else
        m_window.statusBar()->showMessage(ToQString(text));
}

void WindowLinkHost::showNote(const std::string& text)
{
    if (text.empty()) {
        m_window.statusBar()->clearMessage();
        return;
    }
    // The note after a read whose check bytes disagree, in the windows' words.
    const SpdDocument* document = activeDocument();
    if (document != nullptr && text == CheckBytesMismatch(document->image()))
        m_window.statusBar()->showMessage(CheckMismatchNote(document->image()));
    else
        m_window.statusBar()->showMessage(DetailText(text));
}

void WindowLinkHost::enableMenus(bool enabled, bool withPrint)
{
    m_window.action(QStringLiteral("mnuFileSave"))->setEnabled(enabled);
    m_window.action(QStringLiteral("mnuFileSaveAs"))->setEnabled(enabled);
    if (withPrint)
        m_window.action(QStringLiteral("mnuFilePrint"))->setEnabled(enabled);
}

void WindowLinkHost::statusMissing()
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showProgrammerMissing();
    enableMenus(false, false);
}

void WindowLinkHost::statusVersion(const std::string& version)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showProgrammerVersion(ToQString(version));
}

void WindowLinkHost::statusFlags(std::uint8_t status)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->setTestFlags(status);
}

void WindowLinkHost::statusAccess(bool authorized)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showProgrammerAccess(authorized);
    enableMenus(authorized, true);
}

void WindowLinkHost::statusDone(bool authorized)
{
    m_window.action(QStringLiteral("mnuViewPassword"))->setEnabled(authorized);
}

void WindowLinkHost::testResultStarted()
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showTestResultStarted();
}

void WindowLinkHost::testResultText(const std::string& text, bool pass)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showTestResult(ToQString(text), pass);
}

void WindowLinkHost::testCounts(int passed, int failed)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showTestCounts(passed, failed);
}

void WindowLinkHost::testPins(const std::array<PinMark, kModuleSignalCount>& marks, bool complete)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->showPinMarks(marks, complete);
}

bool WindowLinkHost::autoNumbering()
{
    return WindowDocument(m_window.activeDocument()).autoNumbering();
}

bool WindowLinkHost::setAutoNumbering(bool on)
{
    return WindowDocument(m_window.activeDocument()).setAutoNumbering(on);
}

}  // namespace tessaro
