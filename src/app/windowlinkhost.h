#pragma once

#include "device/programmerlink.h"

namespace tessaro {

class MainWindow;

// The programmer link's view of the workstation: the active document window
// and the main window's menus; messages as message boxes modal to the main
// window, opened without waiting (no event loop runs inside the link).
class WindowLinkHost final : public LinkHost
{
public:
    explicit WindowLinkHost(MainWindow& window) : m_window(window) {}

    SpdDocument* activeDocument() override;
    // The active document window, watched: a read's bytes go into it as one
    // undo step; once it closed the command touches no window.
    std::unique_ptr<BoundDocument> bindActiveDocument() override;
    void showMessage(const LinkMessage& message) override;  // openMessage, closed when it may
    void openMessage(const LinkMessage& message, std::function<void()> closed) override;
    void showNote(const std::string& text) override;  // the status bar
    void showProgress(const std::string& text) override;  // the status bar
    void statusMissing() override;
    void statusVersion(const std::string& version) override;
    void statusFlags(std::uint8_t status) override;
    void statusAccess(bool authorized) override;
    void statusDone(bool authorized) override;
    void testResultStarted() override;
    void testResultText(const std::string& text, bool pass) override;
    void testCounts(int passed, int failed) override;
    void testPins(const std::array<PinMark, kModuleSignalCount>& marks, bool complete) override;
    bool autoNumbering() override;
    bool setAutoNumbering(bool on) override;

private:
    void enableMenus(bool enabled, bool withPrint);

    MainWindow& m_window;
};

}  // namespace tessaro
