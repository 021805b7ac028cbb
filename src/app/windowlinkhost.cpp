#include "app/windowlinkhost.h"

#include "app/mainwindow.h"
#include "app/messages.h"
#include "documentwindow/documentwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QStatusBar>

namespace tessaro {

namespace {
QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}
}  // namespace

SpdDocument* WindowLinkHost::activeDocument()
{
    DocumentWindow* window = m_window.activeDocument();
    return window != nullptr ? &window->document() : nullptr;
}

void WindowLinkHost::changeActiveDocument(const std::function<void()>& change)
{
    if (DocumentWindow* window = m_window.activeDocument())
        window->recordStep(QString::fromUtf8("讀取 SPD"), change);
    else
        change();
}

void WindowLinkHost::showMessage(const LinkMessage& message)
{
    QString text = Text(message.text);
    for (const std::string& line : message.details)
        text += QLatin1Char('\n') + Text(line);
    if (message.failure)
        ui::ShowError(&m_window, Text(message.title), text);
    else
        ui::ShowMessage(&m_window, text);
}

void WindowLinkHost::showProgress(const std::string& text)
{
    if (text.empty())
        m_window.statusBar()->clearMessage();
    else
        m_window.statusBar()->showMessage(Text(text));
}

void WindowLinkHost::showNote(const std::string& text)
{
    if (text.empty())
        m_window.statusBar()->clearMessage();
    else
        m_window.statusBar()->showMessage(Text(text));
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
        window->showProgrammerVersion(Text(version));
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
        window->showTestResult(Text(text), pass);
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
    DocumentWindow* window = m_window.activeDocument();
    return window != nullptr && window->programmerPanel()->autoSerialOption()->isChecked();
}

bool WindowLinkHost::setAutoNumbering(bool on)
{
    DocumentWindow* window = m_window.activeDocument();
    if (window == nullptr || window->programmerPanel()->autoSerialOption()->isChecked() == on)
        return false;
    window->programmerPanel()->autoSerialOption()->setChecked(on);
    return true;
}

}  // namespace tessaro
