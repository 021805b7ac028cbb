#pragma once

#include "app/documentmanager.h"
#include "app/mail.h"
#include "core/spdimage.h"
#include "document/appvalues.h"

#include <QList>
#include <QRect>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QUndoGroup;

namespace tessaro {

// Where the main window opens: its normal geometry inside the screen's
// available area and whether it opens maximised because the wanted size (with
// the window frame) does not fit there.
struct MainWindowPlacement {
    QRect normal;
    bool maximised = false;
};
[[nodiscard]] MainWindowPlacement PlaceMainWindow(QSize wanted, const QRect& available);

class DocumentWindow;
class ModuleDocumentWindow;
class LogRecorder;
class LogWindow;
struct LogRecord;
class ProductionLog;
class ProgrammerLink;
struct ImageData;
class ReportPrinter;
class SerialLine;
class SettingsStore;
class SpdrwController;
class WindowLinkHost;
enum class DeviceCommand;

// The multi-document main window with its menus, tool bar and status bar,
// the placement of its document windows and the start-up load sequence. The
// files behind the documents are the document manager's.
class MainWindow : public QMainWindow, private DocumentHost
{
    Q_OBJECT
public:
    MainWindow(AppValues& app, SettingsStore& settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Connects the programmer on `line` (before the load sequence). Without
    // it the window runs with no programmer: handshakes and commands do nothing.
    void attachProgrammer(std::unique_ptr<SerialLine> line);
    [[nodiscard]] ProgrammerLink* programmerLink() const { return m_link.get(); }
    // The production log that the link's operations go into; nullptr before
    // attachProgrammer or when the settings name no usable log.
    [[nodiscard]] ProductionLog* productionLog() const { return m_log.get(); }
    [[nodiscard]] LogRecorder* logRecorder() const { return m_recorder.get(); }
    // "生產紀錄" of the Window menu: the log window, opened or brought forward;
    // nullptr when the settings name no usable log (a message says why).
    LogWindow* showProductionLog();
    // A logged image as a new untitled document (its window by its size).
    void openLoggedImage(const QByteArray& bytes, const LogRecord& record);

    // The load sequence: port, recent files, password values, the password
    // dialog, the programmer marked idle, and the first empty document window.
    void runLoadSequence();

    // --- File commands (they act on the active document window; the
    // document manager does the work) ---
    DocumentWindow* newDocument() override;       // "開新檔案"
    void openFile();                              // "開啟舊檔": asks for a name
    void openPath(const QString& path);           // Open after its dialog
    void importHexDump();                         // "匯入十六進位傾印…": a dump read into a new document
    // A 512- or 1024-byte image in a window of its own.
    ModuleDocumentWindow* openModuleDocument(ImageData image, const QString& caption) override;
    // "讀取本機模組" (Linux): this computer's modules, the chosen ones opened.
    void readInstalledModules();
    // Where the sysfs tree starts for the installed modules ("/"; tests give a fake tree).
    void setSysfsRoot(const QString& root) { m_sysfsRoot = root; }
    // "比較…": two images, open documents or files, side by side.
    void compareImages();
    void saveFile();                              // "儲存檔案"
    void saveFileAs();                            // "另存新檔"
    bool saveDocument(DocumentWindow* window);    // Save on one window; false when nothing was written
    void closeActive();                           // "關    閉"
    bool closeAll();                              // "關閉所有檔案": false when a window stayed open
    void openRecentFile(int index);               // recent-file entry 1-3
    void exitApplication();                       // "離    開"

    // --- Print ("列    印", PRINT): the SPD report of the active document ---
    void printReport();
    // Replaces the system's printers (tests, PDF output).
    void setReportPrinter(std::unique_ptr<ReportPrinter> printer);

    // Shows the main window at `wanted` size, centred on its screen, or
    // maximised when that size does not fit the screen's available area.
    void showOnScreen(QSize wanted);

    // --- Window menu ---
    void minimiseAll();

    [[nodiscard]] DocumentWindow* activeDocument() const override;
    [[nodiscard]] QList<DocumentWindow*> documents() const;
    [[nodiscard]] ModuleDocumentWindow* activeModuleDocument() const override;
    [[nodiscard]] QList<ModuleDocumentWindow*> moduleDocuments() const;
    [[nodiscard]] QMdiArea* workspace() const { return m_mdi; }
    [[nodiscard]] RecentFileList& recentFiles() { return m_documents->recentFiles(); }
    [[nodiscard]] DocumentManager& documentManager() { return *m_documents; }
    [[nodiscard]] AppValues& values() { return m_app; }
    [[nodiscard]] QAction* action(const QString& name) const;  // by object name, e.g. "mnuFileSave"
    [[nodiscard]] int portNumber() const { return m_portNumber; }
    // The SPD reader/writer of every document window's frame.
    [[nodiscard]] SpdrwController& readerWriter() { return *m_spdrw; }
    // The reader/writer again from the settings: the device of the first
    // port whose kind is the reader/writer, or none.
    void configureReaderWriter();

    // Replaces the shell's "open" of links (mail, web) in tests.
    void setLinkOpener(ui::LinkOpener opener) { m_openLink = std::move(opener); }

signals:
    // The connect handshake: the status request to the programmer.
    void statusRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    // The "編輯" menu between "檔案" and "檢視", made on first use.
    QMenu* editMenu();
    // Undo and redo act on the stack of the active document window.
    void followActiveUndoStack();
    // Runs an "編輯" command on the active document window of either kind.
    void editActive(void (DocumentWindow::*spd)(), void (ModuleDocumentWindow::*module)());
    // A document whose stored checksum or CRC disagrees with its bytes says so.
    void showCheckMismatch(const QString& text);
    void createToolBars();
    void createStatusBar();
    void updateRecentFileActions();
    void updateWindowMenu();
    void showPasswordDialogAtStart();
    void changePassword();
    void storePassword(const QString& password);
    void showPortSettings();
    void showAbout();
    void openWebSite();
    bool setUpPort(int number);
    void connectHandshake();
    void attachProductionLog();
    void showLogStatus(const QString& text);
    void withdrawStatusMessage(const QString& text);  // cleared if the status bar still shows it
    void runDeviceCommand(DeviceCommand command);
    void wireDocument(DocumentWindow* window);
    // A pin map of the active document window ("IC 腳位圖", "模組腳位圖" and
    // their tool-bar buttons).
    void showPinMap(void (DocumentWindow::*showIn)());
    // The reader/writer's frame of a document window.
    QWidget* readerWriterFrame(QWidget* window, std::function<std::vector<std::uint8_t>()> bytes,
                               std::function<QString()> caption);
    [[nodiscard]] QMdiSubWindow* activeSubWindow() const;
    // The active window's widget as a `Window`, or null.
    template <class Window>
    [[nodiscard]] Window* activeWindowOf() const;
    // Every open `Window`, in the order they were opened.
    template <class Window>
    [[nodiscard]] QList<Window*> windowsOf() const;
    // DocumentHost
    [[nodiscard]] QWidget* dialogParent() override { return this; }
    void activateWidget(QWidget* window) override;
    void closeDocumentWindow(QWidget* window) override;
    void showStatus(const QString& text) override;
    // Puts a document, comparison, module or log window into the workspace:
    // maximised when it is the first or the active window is maximised (the
    // others keep their state), else `size` cascaded from the top left.
    QMdiSubWindow* addDocumentSubWindow(QWidget* window);
    QMdiSubWindow* addSubWindow(QWidget* window, QSize size);

    AppValues& m_app;
    SettingsStore& m_settings;
    DocumentManager* m_documents = nullptr;
    QMdiArea* m_mdi = nullptr;
    QString m_storedPasswordMarker;   // as read at start-up: set once a password has been set
    QString m_storedPassword;         // as read at start-up: the password's stored form
    int m_portNumber = 1;
    bool m_portOpen = false;
    // The production log of every operation of the link; declared before
    // the link, which holds the recorder, so that it outlives the link.
    std::unique_ptr<ProductionLog> m_log;
    std::unique_ptr<LogRecorder> m_recorder;
    QLabel* m_logStatus = nullptr;
    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<WindowLinkHost> m_linkHost;
    std::unique_ptr<ProgrammerLink> m_link;
    ui::LinkOpener m_openLink;
    SpdrwController* m_spdrw = nullptr;  // a child made after the workspace: it outlives the frames
    QString m_spdrwProgress;             // its progress text last shown
    std::unique_ptr<ReportPrinter> m_printer;
    QString m_sysfsRoot = QStringLiteral("/");

    QMenu* m_fileMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QUndoGroup* m_undoGroup = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::array<QAction*, 3> m_recentFileActions{};
    QAction* m_recentFileSeparator = nullptr;
    QList<QAction*> m_windowListActions;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QTimer m_clock;
};

}  // namespace tessaro
