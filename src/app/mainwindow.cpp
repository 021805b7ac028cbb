#include "app/mainwindow.h"

#include "app/aboutdialog.h"
#include "app/appicon.h"
#include "app/mail.h"
#include "app/messages.h"
#include "app/passworddialogs.h"
#include "app/passwordrules.h"
#include "app/portsettingsdialog.h"
#include "app/readerwriterframe.h"
#include "app/spdrwcontroller.h"
#include "app/toolicons.h"
#include "app/windowlinkhost.h"
#include "device/programmerlink.h"
#include "device/serialline.h"
#include "app/installedmodulesdialog.h"
#include "documentwindow/comparewindow.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "documentwindow/programmerpanel.h"
#include "files/filename.h"
#include "files/qttext.h"
#include "files/settingsstore.h"
#include "app/logwindow.h"
#include "log/logrecorder.h"
#include "log/logsettings.h"
#include "log/productionlog.h"
#include "print/printcommand.h"
#include "wizard/wizardcommand.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>

#include <algorithm>
#include <initializer_list>

namespace tessaro {

namespace {
const QColor kWorkspaceColour(128, 128, 255);
constexpr const char* kSettingsNotWritableText = " *****  無法寫入設定檔，本次的設定與密碼不會被保存 !  *****";

}  // namespace

MainWindowPlacement PlaceMainWindow(QSize wanted, const QRect& available)
{
    // Room kept for the title bar and borders the window manager adds.
    const QMargins frame(8, 32, 8, 8);
    const QSize room = available.marginsRemoved(frame).size();
    MainWindowPlacement placement;
    placement.maximised = wanted.width() > room.width() || wanted.height() > room.height();
    const QSize size = wanted.boundedTo(room).expandedTo(QSize(1, 1));
    placement.normal = QRect(QPoint(0, 0), size);
    placement.normal.moveCenter(available.marginsRemoved(frame).center());
    return placement;
}

MainWindow::MainWindow(AppValues& app, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent)
    , m_app(app)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(ui::kProductTitle));
    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(kWorkspaceColour);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_undoGroup = new QUndoGroup(this);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::followActiveUndoStack);
    m_documents = new DocumentManager(m_app, m_settings, *this, this);
    connect(m_documents, &DocumentManager::recentFilesChanged, this, &MainWindow::updateRecentFileActions);
    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    updateRecentFileActions();
    m_spdrw = new SpdrwController(this);
    // Its progress shows while it runs, and goes when it ends.
    connect(m_spdrw, &SpdrwController::progress, statusBar(), [this](const QString& text) {
        m_spdrwProgress = text;
        statusBar()->showMessage(text);
    });
    connect(m_spdrw, &SpdrwController::stateChanged, this, [this] {
        if (!m_spdrw->busy())
            withdrawStatusMessage(m_spdrwProgress);
    });
}

MainWindow::~MainWindow()
{
    // The workspace activates its remaining windows while QWidget deletes it,
    // after this window's part is gone.
    m_mdi->disconnect(this);
    if (m_link) {
        m_link->pollTimer().stop();
        m_link->statusReplyTimer().stop();
        m_link->rowPaceTimer().stop();
    }
    // Records still waiting are kept for the next program that writes the log.
    if (m_log && m_log->pendingCount() > 0 && !m_log->flush()) {
        QString error;
        m_log->keepWaiting(&error);
    }
}

void MainWindow::attachProgrammer(std::unique_ptr<SerialLine> line)
{
    m_line = std::move(line);
    m_linkHost = std::make_unique<WindowLinkHost>(*this);
    m_link = std::make_unique<ProgrammerLink>(m_app, *m_line, *m_linkHost);
    attachProductionLog();
}

void MainWindow::attachProductionLog()
{
    QString error;
    const std::optional<LogLocation> location = LogLocationFromSettings(m_settings, &error);
    if (!location) {
        showLogStatus(tr("production log: %1").arg(error));
        return;
    }
    m_log = std::make_unique<ProductionLog>(*location);
    m_log->open();  // a failure is tried again with the first record
    m_recorder = std::make_unique<LogRecorder>(*m_log, StationNameFromSettings(m_settings), OperatorNameFromSettings(m_settings));
    // Records that wait say so in the status bar; a log of a newer version says so all the time.
    m_recorder->setStatusListener([this](const QString& text) {
        showLogStatus(text.isEmpty() && m_log->isReadOnly() ? m_log->problem() : text);
    });
    m_link->setRecorder(m_recorder.get());
    if (m_log->isReadOnly())
        showLogStatus(m_log->problem());
}

LogWindow* MainWindow::showProductionLog()
{
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* open = qobject_cast<LogWindow*>(sub->widget()); open != nullptr && !sub->isHidden()) {
            open->reload();
            m_mdi->setActiveSubWindow(sub);
            return open;
        }
    }
    QString error;
    std::optional<LogLocation> location;
    if (m_log)
        location = m_log->location();
    else
        location = LogLocationFromSettings(m_settings, &error);
    if (!location) {
        ui::ShowError(this, ToQString("生產紀錄"), error);
        return nullptr;
    }
    auto* window = new LogWindow(*location, [this](const QByteArray& bytes, const LogRecord& record) {
        openLoggedImage(bytes, record);
    });
    addSubWindow(window, m_mdi->viewport()->size() * 9 / 10);
    return window;
}

void MainWindow::openLoggedImage(const QByteArray& bytes, const LogRecord& record)
{
    (void)record;
    // Not a file: the document is untitled until it is saved.
    m_documents->openUntitledImage(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size())));
}

ModuleDocumentWindow* MainWindow::openModuleDocument(ImageData image, const QString& caption)
{
    auto* window = new ModuleDocumentWindow(std::move(image), caption);
    window->document().setCaption(FileNameString(caption));  // every byte of a file's name
    window->setSaveHandler([this, window] { return m_documents->saveModuleDocument(window, false); });
    m_documents->track(window);
    // The programmer column as the 256-byte window has it; every button of it
    // says why it sends nothing for this image.
    auto* programmer = new ProgrammerPanel(m_app);
    programmer->setAuthorized(m_app.operatorAuthorized);
    programmer->setTestFramesVisible(false);  // the test frames and pins are those of 256-byte modules
    const auto refuse = [this, window] {
        ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle), window->programmerRefusal());
    };
    // The same idle guard as the 256-byte window's: nothing while a command runs.
    connect(programmer, &ProgrammerPanel::commandClicked, window, [this, window, refuse](DeviceCommand command) {
        if (!m_app.deviceIdle)
            return;
        if (command != DeviceCommand::ReadModule && command != DeviceCommand::ReadTester) {
            RunWhenDeviceIdle(m_app, refuse);
            return;
        }
        // A read gives 256 bytes: asked first, it goes into a new 256-byte
        // window and this image stays as it is. The programmer is held from
        // the question to the answer; the answer comes as a signal.
        auto* question = new QMessageBox(
            QMessageBox::Question, QString::fromUtf8(ui::kDeviceErrorTitle),
            QStringLiteral("讀取的 SPD 只有 256 位元組，將開啟新視窗存放，這份 %1 位元組的映像不變。是否繼續 ?\n"
                           "The read gives 256 bytes: it opens in a new window and this %1-byte image stays as it is. Go on?")
                .arg(window->document().size()),
            QMessageBox::Yes | QMessageBox::No, this);
        question->setAttribute(Qt::WA_DeleteOnClose);
        m_app.deviceIdle = false;
        connect(question, &QMessageBox::finished, this, [this, question, command] {
            m_app.deviceIdle = true;
            if (question->standardButton(question->clickedButton()) != QMessageBox::Yes)
                return;
            RunWhenDeviceIdle(m_app, [&] {
                newDocument();
                runDeviceCommand(command);
            });
        });
        question->open();
    });
    connect(programmer, &ProgrammerPanel::autoSerialClicked, window, refuse);
    connect(programmer, &ProgrammerPanel::testFlagPressed, window, refuse);
    window->setProgrammerColumn(programmer);
    window->addDeviceFrame(readerWriterFrame(
        window, [window] { return window->document().bytes(); },
        [window] { return ToQString(window->document().captionWithoutMark()); }));
    addDocumentSubWindow(window);
    connect(window, &ModuleDocumentWindow::statusMessage, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    // What the reader warned of (a truncated image: "truncated: 256 of 512
    // bytes"), then the check bytes that disagree with the image.
    QStringList notes;
    if (window->document().imageData().truncated())
        notes << QString::fromStdString(window->document().imageData().truncationWarning());
    if (const QString mismatch = window->checkMismatchText(); !mismatch.isEmpty())
        notes << mismatch;
    connect(window, &ModuleDocumentWindow::statusMessageWithdrawn, statusBar(), [this](const QString& text) { withdrawStatusMessage(text); });
    showCheckMismatch(notes.join(QStringLiteral("; ")));
    return window;
}

void MainWindow::withdrawStatusMessage(const QString& text)
{
    if (statusBar()->currentMessage() == text)
        statusBar()->clearMessage();
}

void MainWindow::showLogStatus(const QString& text)
{
    m_logStatus->setText(text);
    m_logStatus->setToolTip(text);
    m_logStatus->setVisible(!text.isEmpty());
}

void MainWindow::connectHandshake()
{
    emit statusRequested();
    if (m_link)
        m_link->requestStatus();
}

void MainWindow::wireDocument(DocumentWindow* window)
{
    connect(window, &DocumentWindow::statusRequested, this, &MainWindow::statusRequested);
    // The handshake of a new window runs once the window is on screen.
    connect(window, &DocumentWindow::statusRequested, this, [this] {
        if (m_link)
            m_link->requestStatusForNewWindow();
    }, Qt::QueuedConnection);
    connect(window, &DocumentWindow::deviceCommandRequested, this, &MainWindow::runDeviceCommand);
    connect(window, &DocumentWindow::statusMessage, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    connect(window, &DocumentWindow::statusMessageWithdrawn, statusBar(), [this](const QString& text) { withdrawStatusMessage(text); });
    // The options' frames pass the buttons' idle guard: none falls among a running command's frames.
    connect(window, &DocumentWindow::autoNumberingClicked, this, [this] {
        if (m_link)
            RunWhenDeviceIdle(m_app, [this] { m_link->setAutoSerial(); });
    });
    connect(window, &DocumentWindow::testFlagPressed, this, [this](int box, bool ticked) {
        if (m_link)
            RunWhenDeviceIdle(m_app, [&] { m_link->runTesterCommand(SwitchCommandFor(box, ticked)); });
    });
}

void MainWindow::runDeviceCommand(DeviceCommand command)
{
    if (!m_link)
        return;
    switch (command) {
    case DeviceCommand::Download: m_link->downloadAndCheck(); break;
    case DeviceCommand::ReadTester: m_link->readProgrammer(); break;
    case DeviceCommand::Compare: m_link->compareWithProgrammer(); break;
    case DeviceCommand::Erase: m_link->eraseProgrammer(); break;
    case DeviceCommand::ReadModule: m_link->readModule(); break;
    case DeviceCommand::ModuleRead: m_link->runTesterCommand(TesterCommand::Read); break;
    case DeviceCommand::ModuleCopy: m_link->runTesterCommand(TesterCommand::Copy); break;
    case DeviceCommand::ModuleCompare: m_link->runTesterCommand(TesterCommand::Verify); break;
    case DeviceCommand::ModuleTest: m_link->runTesterCommand(TesterCommand::Test); break;
    case DeviceCommand::Learn: m_link->runTesterCommand(TesterCommand::Learn); break;
    }
}

// --- Start-up ---

void MainWindow::runLoadSequence()
{
    // 1. The port of the programmer, with its fallback to port 1.
    m_app.currentCommPort = static_cast<std::uint8_t>(
        SetUpCommPort(m_settings, [this](int number) { return setUpPort(number); }));
    // The test-result polling runs from now on.
    if (m_link)
        m_link->pollTimer().start();
    // The SPD reader/writer, when a port names one.
    configureReaderWriter();
    // 2. The recent files.
    m_documents->restoreRecentFiles();
    // 3. The password values.
    m_storedPasswordMarker = m_settings.readPasswordMarker();
    m_storedPassword = m_settings.readPassword();
    // A store that keeps nothing is said once, before any password is asked for.
    m_settings.sync();
    if (!m_settings.isWritable())
        ui::ShowError(this, ToQString(ui::kDeviceErrorTitle), ToQString(kSettingsNotWritableText) + u'\n' + m_settings.problem());
    // 4. The password dialog that they call for.
    showPasswordDialogAtStart();
    // 5. Nothing runs on the programmer yet.
    m_app.deviceIdle = true;
    // 6. One empty document.
    newDocument();
}

bool MainWindow::setUpPort(int number)
{
    m_portNumber = number;
    if (!m_link) {
        m_portOpen = true;  // no programmer attached: nothing to open
        return true;
    }
    m_link->changePort(number);
    m_portOpen = m_link->openPort();
    return m_portOpen;
}

void MainWindow::showPasswordDialogAtStart()
{
    switch (StartDialogFor(m_storedPasswordMarker, m_storedPassword, m_settings.isWritable())) {
    case StartPasswordDialog::SetFirst: {
        ui::SetPasswordDialog dialog([this](const QString& password) { storePassword(password); }, this);
        dialog.setFirstStart(true);
        dialog.exec();
        dialog.setFirstStart(false);
        break;
    }
    case StartPasswordDialog::Login: {
        ui::LoginDialog dialog(m_storedPassword, m_app.operatorAuthorized, this);
        dialog.exec();
        // A password an earlier version kept as typed is replaced by its hash.
        if (m_app.operatorAuthorized && !m_storedPassword.isEmpty() && !IsHashedPassword(m_storedPassword))
            storePassword(m_storedPassword);
        break;
    }
    case StartPasswordDialog::None:
        break;
    }
    action(QStringLiteral("mnuViewPassword"))->setEnabled(m_app.operatorAuthorized);
}

void MainWindow::changePassword()
{
    if (!m_app.operatorAuthorized)
        return;
    ui::SetPasswordDialog dialog([this](const QString& password) { storePassword(password); }, this);
    dialog.exec();
}

void MainWindow::storePassword(const QString& password)
{
    const bool wasWritable = m_settings.isWritable();
    m_settings.writePassword(HashPassword(password));
    m_settings.sync();
    if (wasWritable && !m_settings.isWritable())
        ui::ShowError(this, ToQString(ui::kDeviceErrorTitle), ToQString(kSettingsNotWritableText) + u'\n' + m_settings.problem());
}

void MainWindow::showPortSettings()
{
    PortSettingsDialog dialog(m_app.currentCommPort, m_app.numberInputMode, m_settings,
                         [this](int number) {
                             // Closed now; the next command or polling tick opens it.
                             m_portOpen = false;
                             m_portNumber = number;
                             if (m_link)
                                 m_link->changePort(number);
                         },
                         this);
    dialog.setPortDevices([this](int port) {
        return PortDeviceName(port, [this](int n) { return m_settings.readPortDevice(n); });
    });
    dialog.setPortKinds([this](int port) { return m_settings.readPortKind(port); });
    if (dialog.exec() == QDialog::Accepted)
        configureReaderWriter();
}

void MainWindow::configureReaderWriter()
{
    QString device;
    for (int port = 1; port <= 4 && device.isEmpty(); ++port)
        if (m_settings.readPortKind(port) == PortKind::ReaderWriter)
            device = PortDeviceName(port, [this](int n) { return m_settings.readPortDevice(n); });
    std::optional<LogLocation> location;
    QString error;  // the log's own status line says what is wrong with it
    if (m_log)
        location = m_log->location();
    else
        location = LogLocationFromSettings(m_settings, &error);
    m_spdrw->setLog(location, m_recorder ? m_recorder->station() : StationNameFromSettings(m_settings),
                    m_recorder ? m_recorder->operatorName() : OperatorNameFromSettings(m_settings));
    m_spdrw->setDevice(device);
}

QWidget* MainWindow::readerWriterFrame(QWidget* window, std::function<std::vector<std::uint8_t>()> bytes,
                                       std::function<QString()> caption)
{
    auto* frame = new ReaderWriterFrame(*m_spdrw, {std::move(bytes), std::move(caption)},
                                        [this](const std::vector<std::uint8_t>& image) {
                                            m_documents->openUntitledImage(image);
                                        },
                                        window);
    connect(frame, &ReaderWriterFrame::statusMessage, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    return frame;
}

void MainWindow::showAbout()
{
    ui::AboutDialog about(this);
    about.exec();
}

void MainWindow::openWebSite()
{
    ui::OpenWebSite(m_openLink);
}

// --- Actions, menus, tool bar, status bar ---

void MainWindow::createActions()
{
    auto make = [this](const char* name, const char* caption, auto slot, const QKeySequence& key = {}) {
        auto* a = new QAction(ToQString(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    make("mnuFileNew", "開新檔案", [this] { newDocument(); }, QKeySequence(Qt::CTRL | Qt::Key_N));
    make("mnuFileOpen", "開啟舊檔", [this] { openFile(); }, QKeySequence(Qt::CTRL | Qt::Key_O));
    make("mnuFileSave", "儲存檔案", [this] { saveFile(); }, QKeySequence(Qt::CTRL | Qt::Key_S));
    make("mnuFileSaveAs", "另存新檔", [this] { saveFileAs(); });
    make("mnuFileImportDump", "匯入十六進位傾印…", [this] { importHexDump(); });
    make("mnuFileInstalled", "讀取本機模組", [this] { readInstalledModules(); });
    make("mnuFileImport", "匯入模組狀態", [] {})->setEnabled(false);
    make("mnuFileExport", "匯出模組狀態", [] {})->setEnabled(false);
    make("mnuFileClose", "關    閉", [this] { closeActive(); });
    make("mnuFileCloseAll", "關閉所有檔案", [this] { closeAll(); });
    make("mnuFilePrint", "列    印", [this] { printReport(); }, QKeySequence(Qt::CTRL | Qt::Key_P));
    make("mnuFileWizard", "精    靈", [this] { OpenWizard(this, ApplicationWizardRecord(), [this] { return newDocument(); }); });
    for (int i = 0; i < 3; ++i) {
        auto* a = make(QStringLiteral("mnuFileMRU%1").arg(i + 1).toLatin1().constData(), "",
                       [this, i] { openRecentFile(i + 1); });
        a->setVisible(false);
        m_recentFileActions[static_cast<std::size_t>(i)] = a;
    }
    make("mnuFileExit", "離    開", [this] { exitApplication(); });

    auto* undo = make("mnuEditUndo", "復原", [this] { m_undoGroup->undo(); });
    undo->setShortcuts(QKeySequence::Undo);
    undo->setEnabled(false);
    connect(m_undoGroup, &QUndoGroup::canUndoChanged, undo, &QAction::setEnabled);
    connect(m_undoGroup, &QUndoGroup::undoTextChanged, undo, &QAction::setStatusTip);
    auto* redo = make("mnuEditRedo", "重做", [this] { m_undoGroup->redo(); });
    // Ctrl+Y as well, as other editors on this desktop answer it.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y); !redoKeys.contains(ctrlY))
        redoKeys.append(ctrlY);
    redo->setShortcuts(redoKeys);
    redo->setEnabled(false);
    connect(m_undoGroup, &QUndoGroup::canRedoChanged, redo, &QAction::setEnabled);
    connect(m_undoGroup, &QUndoGroup::redoTextChanged, redo, &QAction::setStatusTip);

    auto* toolbarToggle = make("mnuViewToolbar", "工 具 列", [this](bool on) { m_toolBar->setVisible(on); });
    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    auto* statusToggle = make("mnuViewStatusBar", "狀 態 列", [this](bool on) { statusBar()->setVisible(on); });
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    make("mnuViewReconnect", "重新連線", [this] { connectHandshake(); });
    make("mnuViewPassword", "密碼設定", [this] { changePassword(); })->setEnabled(false);
    make("mnuViewOptions", "通訊設定", [this] { showPortSettings(); });
    make("mnuViewWebSite", "Korvalen科技網站", [this] { openWebSite(); });

    make("mnuICpin", "IC 腳位圖", [this] { showPinMap(&DocumentWindow::icPinMapFromMenu); });
    make("mnuMODULEpin", "模組腳位圖", [this] { showPinMap(&DocumentWindow::modulePinMapFromMenu); });

    make("mnuWindowCompare", "比較…", [this] { compareImages(); });
    make("mnuWindowLog", "生產紀錄", [this] { showProductionLog(); });
    make("mnuWindowCascade", "重疊顯示", [this] { m_mdi->cascadeSubWindows(); });
    make("mnuWindowTile", "並排顯示", [this] { m_mdi->tileSubWindows(); });
    make("mnuWindowMinimise", "最小化", [this] { minimiseAll(); });
    make("mnuWindowArrange", "排列圖示", [this] {
        // Minimised windows side by side along the bottom of the workspace.
        int x = 0;
        for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
            if (!sub->isMinimized())
                continue;
            const QSize size = sub->size();
            sub->move(x, m_mdi->viewport()->height() - size.height());
            x += size.width();
        }
    });

    make("mnuEditCopy", "複製", [this] { editActive(&DocumentWindow::copySelection, &ModuleDocumentWindow::copySelection); },
         QKeySequence::Copy);
    make("mnuEditPaste", "貼上", [this] { editActive(&DocumentWindow::pasteClipboard, &ModuleDocumentWindow::pasteClipboard); },
         QKeySequence::Paste);
    make("mnuEditSelectAll", "全選", [this] { editActive(&DocumentWindow::selectAllBytes, &ModuleDocumentWindow::selectAllBytes); },
         QKeySequence::SelectAll);

    make("mnuHelpMail", "郵     件", [this] { (void)ui::SendSupportMail(m_openLink, this); });
    make("mnuHelpAbout", "關      於", [this] { showAbout(); });
}

void MainWindow::editActive(void (DocumentWindow::*spd)(), void (ModuleDocumentWindow::*module)())
{
    if (DocumentWindow* window = activeDocument())
        (window->*spd)();
    else if (ModuleDocumentWindow* larger = activeModuleDocument())
        (larger->*module)();
}

void MainWindow::showCheckMismatch(const QString& text)
{
    if (!text.isEmpty())
        statusBar()->showMessage(text);
}

QAction* MainWindow::action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void MainWindow::createMenus()
{
    // A menu's actions by object name; a null name is a separator.
    const auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name == nullptr)
                menu->addSeparator();
            else
                menu->addAction(action(QString::fromLatin1(name)));
        }
    };
    m_fileMenu = menuBar()->addMenu(ToQString("檔案"));
    add(m_fileMenu, {"mnuFileNew", "mnuFileOpen", "mnuFileImportDump"});
#ifdef Q_OS_LINUX
    add(m_fileMenu, {"mnuFileInstalled"});
#endif
    add(m_fileMenu, {nullptr, "mnuFileSave", "mnuFileSaveAs", nullptr, "mnuFileImport", "mnuFileExport", nullptr,
                     "mnuFileClose", "mnuFileCloseAll", nullptr, "mnuFilePrint", nullptr, "mnuFileWizard", nullptr});
    for (QAction* recent : m_recentFileActions)
        m_fileMenu->addAction(recent);
    m_recentFileSeparator = m_fileMenu->addSeparator();
    m_recentFileSeparator->setVisible(false);
    add(m_fileMenu, {"mnuFileExit"});

    add(editMenu(), {"mnuEditUndo", "mnuEditRedo", nullptr, "mnuEditCopy", "mnuEditPaste", "mnuEditSelectAll"});
    add(menuBar()->addMenu(ToQString("檢視")), {"mnuViewToolbar", "mnuViewStatusBar", nullptr, "mnuViewReconnect",
                                                "mnuViewPassword", "mnuViewOptions", "mnuViewWebSite"});
    add(menuBar()->addMenu(ToQString("腳位圖")), {"mnuICpin", "mnuMODULEpin"});

    m_windowMenu = menuBar()->addMenu(ToQString("視窗"));
    add(m_windowMenu, {"mnuWindowCompare", "mnuWindowLog", nullptr, "mnuWindowCascade", "mnuWindowTile",
                       "mnuWindowMinimise", "mnuWindowArrange"});
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] { updateWindowMenu(); });

    add(menuBar()->addMenu(ToQString("說明")), {"mnuHelpMail", nullptr, "mnuHelpAbout"});
}

QMenu* MainWindow::editMenu()
{
    if (m_editMenu == nullptr) {
        m_editMenu = new QMenu(ToQString("編輯"), this);
        const QList<QAction*> menus = menuBar()->actions();
        // After "檔案", or first while there is none yet.
        const int at = static_cast<int>(menus.indexOf(m_fileMenu != nullptr ? m_fileMenu->menuAction() : nullptr));
        if (at >= 0 && at + 1 < menus.size())
            menuBar()->insertMenu(menus.at(at + 1), m_editMenu);
        else
            menuBar()->addMenu(m_editMenu);
    }
    return m_editMenu;
}

void MainWindow::followActiveUndoStack()
{
    QMdiSubWindow* sub = activeSubWindow();
    QWidget* window = sub != nullptr ? sub->widget() : nullptr;
    QUndoStack* stack = nullptr;
    if (auto* document = qobject_cast<DocumentWindow*>(window))
        stack = document->undoStack();
    else if (auto* module = qobject_cast<ModuleDocumentWindow*>(window))
        stack = module->undoStack();
    if (stack != nullptr)
        m_undoGroup->addStack(stack);
    m_undoGroup->setActiveStack(stack);
}

void MainWindow::createToolBars()
{
    m_toolBar = addToolBar(QStringLiteral("tbToolbar"));
    m_toolBar->setObjectName(QStringLiteral("tbToolbar"));
    m_toolBar->setMovable(false);
    struct Button {
        const char* key;
        const char* tip;
        std::function<void()> run;
    };
    // The tool bar's own actions: SAVE and PRINT run even while their menu
    // entries are disabled.
    const Button buttons[] = {
        {"NEW", "開新檔案", [this] { newDocument(); }},
        {"OPEN", "開啟舊檔", [this] { openFile(); }},
        {"SAVE", "儲存", [this] { saveFile(); }},
        {"PRINT", "列印", [this] { printReport(); }},
        {"WIZARD", "精靈", [this] { OpenWizard(this, ApplicationWizardRecord(), [this] { return newDocument(); }); }},
        {"MAIL", "郵件", [this] { action(QStringLiteral("mnuHelpMail"))->trigger(); }},
        {"CONNECT", "重新連線", [this] { connectHandshake(); }},
        {"IC", "IC腳位圖", [this] { showPinMap(&DocumentWindow::icPinMapButton); }},
        {"DRAM", nullptr, [this] { showPinMap(&DocumentWindow::modulePinMapButton); }},
        {"COMPARE", "比較", [this] { compareImages(); }},
    };
    for (const Button& b : buttons) {
        // DRAM has no tool tip of its own.
        const QString tip = b.tip != nullptr ? ToQString(b.tip) : QString();
        auto* a = m_toolBar->addAction(ui::ToolIcon(QString::fromLatin1(b.key)), tip);
        a->setObjectName(QString::fromLatin1(b.key));
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, b.run);
    }
}

void MainWindow::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    bar->addWidget(new QLabel(bar), 1);
    m_logStatus = new QLabel(bar);
    m_logStatus->setObjectName(QStringLiteral("lblLogStatus"));
    m_logStatus->setStyleSheet(QStringLiteral("color: #b00000"));
    m_logStatus->hide();
    bar->addPermanentWidget(m_logStatus);
    m_dateLabel = new QLabel(bar);
    m_timeLabel = new QLabel(bar);
    for (QLabel* panel : {m_dateLabel, m_timeLabel}) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setMinimumWidth(90);
        panel->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(panel);
    }
    auto tick = [this] {
        const QDateTime now = QDateTime::currentDateTime();
        m_dateLabel->setText(QLocale::system().toString(now.date(), QLocale::ShortFormat));
        m_timeLabel->setText(QLocale::system().toString(now.time(), QLocale::ShortFormat));
    };
    tick();
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, tick);
    m_clock.start();
}

void MainWindow::updateRecentFileActions()
{
    for (int i = 0; i < 3; ++i) {
        const RecentFileList::Entry& e = m_documents->recentFiles().entry(i + 1);
        QAction* a = m_recentFileActions[static_cast<std::size_t>(i)];
        a->setText(FileNameForDisplay(e.caption));
        a->setVisible(e.visible);
    }
    m_recentFileSeparator->setVisible(m_documents->recentFiles().separatorVisible());
}

void MainWindow::updateWindowMenu()
{
    for (QAction* a : m_windowListActions) {
        m_windowMenu->removeAction(a);
        delete a;
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_windowListActions.append(m_windowMenu->addSeparator());
    int n = 0;
    for (QMdiSubWindow* sub : windows) {
        ++n;
        const QString text = n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(ShownWindowTitle(sub))
                                    : QStringLiteral("%1 %2").arg(n).arg(ShownWindowTitle(sub));
        QAction* a = m_windowMenu->addAction(text);
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        m_windowListActions.append(a);
    }
}

void MainWindow::showOnScreen(QSize wanted)
{
    const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shownOn == nullptr) {
        resize(wanted);
        show();
        return;
    }
    const MainWindowPlacement placement = PlaceMainWindow(wanted, shownOn->availableGeometry());
    setGeometry(placement.normal);
    if (placement.maximised)
        showMaximized();
    else
        show();
}

void MainWindow::minimiseAll()
{
    if (m_mdi->activeSubWindow() == nullptr)
        return;
    // A maximised window hands its state to the window activated after it;
    // while all go down none may take it.
    const bool handOn = !m_mdi->testOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        sub->showMinimized();
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, !handOn);
}

// --- Print ---

void MainWindow::setReportPrinter(std::unique_ptr<ReportPrinter> printer)
{
    m_printer = std::move(printer);
}

void MainWindow::printReport()
{
    if (ModuleDocumentWindow* module = activeModuleDocument()) {
        if (!m_printer)
            m_printer = std::make_unique<SystemReportPrinter>();
        (void)PrintModuleReport(this, module->document().bytes(), module->document().captionWithoutMark(), *m_printer);
        return;
    }
    DocumentWindow* doc = activeDocument();
    if (doc == nullptr)
        return;
    if (!m_printer)
        m_printer = std::make_unique<SystemReportPrinter>();
    const ReportSource source{doc->document().image(), doc->document().caption(), MakerWebAddress()};
    // Printer errors pass without a message; the command just ends.
    (void)PrintReport(this, &source, *m_printer);
}

// --- Pin maps ---

void MainWindow::showPinMap(void (DocumentWindow::*showIn)())
{
    if (DocumentWindow* doc = activeDocument())
        (doc->*showIn)();
}

// --- Documents ---

QMdiSubWindow* MainWindow::activeSubWindow() const
{
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (sub == nullptr) {
        // Without focus (e.g. while a dialog is up) the last active one counts.
        const QList<QMdiSubWindow*> list = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        sub = list.isEmpty() ? nullptr : list.last();
    }
    return sub;
}

template <class Window>
Window* MainWindow::activeWindowOf() const
{
    QMdiSubWindow* sub = activeSubWindow();
    return sub != nullptr ? qobject_cast<Window*>(sub->widget()) : nullptr;
}

template <class Window>
QList<Window*> MainWindow::windowsOf() const
{
    QList<Window*> result;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* window = qobject_cast<Window*>(sub->widget()))
            result.append(window);
    }
    return result;
}

DocumentWindow* MainWindow::activeDocument() const
{
    return activeWindowOf<DocumentWindow>();
}

ModuleDocumentWindow* MainWindow::activeModuleDocument() const
{
    return activeWindowOf<ModuleDocumentWindow>();
}

QList<DocumentWindow*> MainWindow::documents() const
{
    return windowsOf<DocumentWindow>();
}

QList<ModuleDocumentWindow*> MainWindow::moduleDocuments() const
{
    return windowsOf<ModuleDocumentWindow>();
}

void MainWindow::activateWidget(QWidget* window)
{
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->widget() == window) {
            if (sub->isMinimized())
                sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
            sub->raise();
            return;
        }
    }
}

void MainWindow::readInstalledModules()
{
    InstalledModulesDialog dialog(m_sysfsRoot, this);
    dialog.startScan();
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (const InstalledModule& module : dialog.chosenModules()) {
        const QString caption = InstalledModulesDialog::DocumentCaption(module);
        // A module is no file: its window is known by the name it was opened as.
        if (m_documents->showIfOpen(caption, false))
            continue;
        if (module.image.image.size != kSpdSize) {
            m_documents->setSource(openModuleDocument(module.image.image, caption), caption, false);
            continue;
        }
        SpdImage image{};
        std::copy_n(module.image.image.bytes.begin(), kSpdSize, image.begin());
        DocumentWindow* window = newDocument();
        m_documents->loadInto(window, caption, false, image);
    }
}

void MainWindow::compareImages()
{
    // Every open document, in the order the windows were opened.
    std::vector<std::pair<QString, ImageData>> open;
    int active = -1;  // image A is the active document's
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (sub == m_mdi->activeSubWindow() && (qobject_cast<DocumentWindow*>(sub->widget()) != nullptr ||
                                                qobject_cast<ModuleDocumentWindow*>(sub->widget()) != nullptr))
            active = static_cast<int>(open.size());
        if (auto* doc = qobject_cast<DocumentWindow*>(sub->widget())) {
            const SpdImage& image = doc->document().image();
            open.emplace_back(QString::fromStdString(doc->document().captionWithoutMark()),
                              ImageData{{image.begin(), image.end()}, kSpdSize});
        } else if (auto* module = qobject_cast<ModuleDocumentWindow*>(sub->widget())) {
            open.emplace_back(QString::fromStdString(module->document().captionWithoutMark()), module->document().imageData());
        }
    }
    CompareWindow::chooseAndShow(this, std::move(open), active, [this](QWidget* window) { addDocumentSubWindow(window); });
}

void MainWindow::closeDocumentWindow(QWidget* window)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->close();
}

void MainWindow::showStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

// --- File commands: the document manager's ---

void MainWindow::openFile()
{
    m_documents->openFile();
}

void MainWindow::openPath(const QString& path)
{
    m_documents->openPath(path);
}

void MainWindow::openRecentFile(int index)
{
    m_documents->openRecentFile(index);
}

void MainWindow::importHexDump()
{
    m_documents->importHexDump();
}

void MainWindow::saveFile()
{
    m_documents->saveFile();
}

void MainWindow::saveFileAs()
{
    m_documents->saveFileAs();
}

bool MainWindow::saveDocument(DocumentWindow* window)
{
    return m_documents->saveDocument(window);
}

DocumentWindow* MainWindow::newDocument()
{
    ++m_app.documentCount;
    auto* window = new DocumentWindow(m_app, QStringLiteral("SPD_File %1").arg(m_app.documentCount));
    window->setSaveHandler([this, window] { return m_documents->saveDocument(window); });
    m_documents->track(window);
    wireDocument(window);
    window->addDeviceFrame(readerWriterFrame(
        window, [window] { return std::vector<std::uint8_t>(window->document().image().begin(), window->document().image().end()); },
        [window] { return ToQString(window->document().caption()); }));
    window->open();
    addDocumentSubWindow(window);
    return window;
}

QMdiSubWindow* MainWindow::addDocumentSubWindow(QWidget* window)
{
    return addSubWindow(window, DocumentWindow::openingSize(this));
}

QMdiSubWindow* MainWindow::addSubWindow(QWidget* window, QSize size)
{
    QList<QMdiSubWindow*> others = m_mdi->subWindowList(QMdiArea::CreationOrder);
    others.removeIf([](const QMdiSubWindow* sub) { return sub->isHidden(); });  // closed, not yet deleted
    const QMdiSubWindow* active = activeSubWindow();
    const bool maximised = others.isEmpty() || (active != nullptr && !active->isHidden() && active->isMaximized());
    QMdiSubWindow* sub = m_mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // The icon the menu bar shows while the window is maximised.
    sub->setWindowIcon(ApplicationIcon());
    sub->resize(size);
    if (maximised) {
        // The first window fills the workspace, and so does one opened while
        // the active one does; the others keep their state.
        sub->showMaximized();
        m_mdi->setActiveSubWindow(sub);
        return sub;
    }
    // Beside windows of their normal size: cascaded, each one a title bar's
    // height down and right from the one before, back at the top left once it
    // would start past the workspace's middle.
    const bool handOn = !m_mdi->testOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const QSize area = m_mdi->viewport()->size();
    const int across = std::max(1, std::min(area.width(), area.height()) / 2 / std::max(1, step));
    const int place = static_cast<int>(others.size()) % across;
    const QPoint next(step * place, step * place);
    sub->move(next);
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, !handOn);
    return sub;
}

void MainWindow::closeActive()
{
    if (QMdiSubWindow* sub = activeSubWindow())
        sub->close();
}

bool MainWindow::closeAll()
{
    // Last-activated first, as closing the active window again and again does;
    // a window the operator keeps open ends the command.
    while (true) {
        QList<QMdiSubWindow*> list = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        list.removeIf([](const QMdiSubWindow* sub) { return sub->isHidden(); });  // closed, not yet deleted
        if (list.isEmpty())
            return true;
        QMdiSubWindow* sub = list.last();
        m_mdi->setActiveSubWindow(sub);
        if (!sub->close())
            return false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void MainWindow::exitApplication()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeAll()) {
        event->ignore();
        return;
    }
    m_clock.stop();
    if (m_link) {
        m_link->pollTimer().stop();
        m_link->statusReplyTimer().stop();
        m_link->closePort();
    }
    event->accept();
}

}  // namespace tessaro
