// The main window with its file commands, recent files, password start-up and
// exit, driven through its menus and real dialogs (offscreen).
#include "app/logwindow.h"
#include "app/mainwindow.h"
#include "app/passwordrules.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "core/checks.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "files/safefile.h"
#include "files/settingsstore.h"
#include "files/spdfile.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "log/logsettings.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include <unistd.h>

using namespace tessaro;

namespace {

SpdImage Ddr2Image()
{
    SpdImage image = test::CountingImage();
    image[2] = 0x08;
    return image;
}

std::string FileBytes(const QString& path)
{
    return test::ReadAll(path.toStdString());
}

// Answers the next file dialog with a name and, optionally, a filter.
std::function<void(QWidget*)> ChooseFile(const QString& path, const QString& filter = {})
{
    return [path, filter](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (!filter.isEmpty())
            dialog->selectNameFilter(filter);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
}

// Answers the next file dialog as ChooseFile does, then cancels it once a
// message has been shown while the dialog stays open.
std::function<void(QWidget*)> ChooseFileThenCancel(test::ModalResponder& responder, const QString& path,
                                                   const QString& filter = {})
{
    return [&responder, path, filter](QWidget* w) {
        ChooseFile(path, filter)(w);
        auto* cancel = new QTimer(w);
        QObject::connect(cancel, &QTimer::timeout, w, [&responder, w] {
            if (!responder.messages().empty() && QApplication::activeModalWidget() == w)
                QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
        });
        cancel->start(20);
    };
}

class Main : public test::WorkstationTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        WorkstationTest::SetUp();
    }
    [[nodiscard]] QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }
    void trigger(const char* action) { window->action(QString::fromLatin1(action))->trigger(); }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(Main, MenusToolBarAndWorkspace)
{
    QStringList file;
    for (QAction* a : window->menuBar()->actions().first()->menu()->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    // The specified entries, with the hex-dump import and this computer's
    // modules (Linux) after Open.
    const QStringList expected = {"開新檔案", "開啟舊檔", "匯入十六進位傾印…", "讀取本機模組", "-", "儲存檔案", "另存新檔", "-", "匯入模組狀態", "匯出模組狀態",
                                  "-", "關    閉", "關閉所有檔案", "-", "列    印", "-", "精    靈", "-",
                                  "", "", "", "-", "離    開"};
    EXPECT_EQ(file, expected);
    EXPECT_FALSE(window->action(QStringLiteral("mnuFileImport"))->isEnabled());
    EXPECT_FALSE(window->action(QStringLiteral("mnuFileMRU1"))->isVisible());
    EXPECT_EQ(window->action(QStringLiteral("mnuFileSave"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));

    QStringList menus;
    for (QAction* a : window->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"檔案", "編輯", "檢視", "腳位圖", "視窗", "說明"}));
    QStringList edit;
    for (QAction* a : window->menuBar()->actions().at(1)->menu()->actions())
        edit << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(edit, QStringList({"mnuEditUndo=復原", "mnuEditRedo=重做", "=", "mnuEditCopy=複製", "mnuEditPaste=貼上", "mnuEditSelectAll=全選"}));
    EXPECT_EQ(window->action(QStringLiteral("mnuEditPaste"))->shortcut(), QKeySequence(QKeySequence::Paste));
    const QList<QKeySequence> redoKeys = window->action(QStringLiteral("mnuEditRedo"))->shortcuts();
    for (const QKeySequence& key : {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))})
        EXPECT_TRUE(redoKeys.contains(key)) << key.toString().toStdString();
    QStringList pins;
    for (QAction* a : window->menuBar()->actions().at(3)->menu()->actions())
        pins << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(pins, QStringList({"mnuICpin=IC 腳位圖", "mnuMODULEpin=模組腳位圖"}));

    QStringList tips;
    for (QAction* a : window->findChild<QToolBar*>(QStringLiteral("tbToolbar"))->actions())
        tips << a->objectName() + QLatin1Char('=') + a->toolTip();
    EXPECT_EQ(tips, QStringList({"NEW=開新檔案", "OPEN=開啟舊檔", "SAVE=儲存", "PRINT=列印", "WIZARD=精靈", "MAIL=郵件",
                                 "CONNECT=重新連線", "IC=IC腳位圖", "DRAM=", "COMPARE=比較"}));
    EXPECT_EQ(window->workspace()->background().color(), QColor(128, 128, 255));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("TESSARO "));

    trigger("mnuViewToolbar");
    EXPECT_TRUE(window->findChild<QToolBar*>(QStringLiteral("tbToolbar"))->isHidden());
    trigger("mnuViewToolbar");
    EXPECT_FALSE(window->findChild<QToolBar*>(QStringLiteral("tbToolbar"))->isHidden());
}

TEST_F(Main, NewWindowsAreNumberedAndMinimisedTogether)
{
    window->newDocument();
    window->newDocument();
    window->newDocument();
    QStringList captions;
    for (DocumentWindow* d : window->documents())
        captions << ShownWindowTitle(d);
    EXPECT_EQ(captions, QStringList({"SPD_File 1", "SPD_File 2", "SPD_File 3"}));
    window->minimiseAll();
    for (QMdiSubWindow* sub : window->workspace()->subWindowList())
        EXPECT_TRUE(sub->isMinimized());
    window->closeAll();
    window->newDocument();
    EXPECT_EQ(ShownWindowTitle(window->activeDocument()), QStringLiteral("SPD_File 4")) << "numbers are not reused";
}

TEST_F(Main, NewWindowsOpenMaximisedWhileTheActiveOneIsElseCascadeAndTileSharesTheWorkspace)
{
    auto sub = [](QWidget* doc) { return qobject_cast<QMdiSubWindow*>(doc->parentWidget()); };
    window->resize(800, 600);
    QMdiSubWindow* first = sub(window->newDocument());
    EXPECT_TRUE(first->isMaximized());
    // Opened while the active one is maximised: maximised too, and the log and
    // compare windows as well; the others keep their state.
    QMdiSubWindow* second = sub(window->newDocument());
    EXPECT_TRUE(second->isMaximized());
    QMdiSubWindow* log = sub(window->showProductionLog());
    EXPECT_TRUE(log->isMaximized());
    window->workspace()->setActiveSubWindow(first);
    EXPECT_TRUE(first->isMaximized());
    log->close();

    // Opened beside windows of their normal size: cascaded.
    first->showNormal();
    second->showNormal();
    window->workspace()->setActiveSubWindow(second);
    QMdiSubWindow* third = sub(window->newDocument());
    for (QMdiSubWindow* s : {first, second, third})
        EXPECT_FALSE(s->isMaximized()) << "several windows show cascaded";
    EXPECT_GT(third->pos().y(), first->pos().y());
    EXPECT_EQ(window->workspace()->activeSubWindow(), third);

    QStringList entries;
    for (QAction* a : window->menuBar()->actions().at(4)->menu()->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries.mid(0, 7), QStringList({"比較…", "生產紀錄", "-", "重疊顯示", "並排顯示", "最小化", "排列圖示"}));
    trigger("mnuWindowTile");
    const QRect area = window->workspace()->viewport()->rect();
    for (QMdiSubWindow* s : {first, second, third}) {
        EXPECT_TRUE(area.contains(s->geometry())) << "tiled inside the workspace";
        for (QMdiSubWindow* t : {first, second, third})
            EXPECT_TRUE(s == t || !s->geometry().intersects(t->geometry())) << "tiles do not overlap";
    }

    // Once all are closed the next one fills the workspace again.
    window->closeAll();
    EXPECT_TRUE(sub(window->newDocument())->isMaximized());
}

TEST(MainWindowPlacement, NeverOpensLargerThanTheScreensAvailableArea)
{
    // 1600 x 1000 at 100 %, a panel of 40 pixels at the bottom: the wanted size fits.
    const QRect full(0, 0, 1600, 960);
    MainWindowPlacement placed = PlaceMainWindow(QSize(1280, 860), full);
    EXPECT_FALSE(placed.maximised);
    EXPECT_EQ(placed.normal.size(), QSize(1280, 860));
    EXPECT_TRUE(full.contains(placed.normal));

    // The same screen at 150 % (1067 x 640 device-independent pixels), and a
    // second screen to the right of the first: maximised, restoring inside.
    for (const QRect& available : {QRect(0, 0, 1067, 640), QRect(1600, 0, 1067, 640)}) {
        placed = PlaceMainWindow(QSize(1280, 860), available);
        EXPECT_TRUE(placed.maximised);
        EXPECT_TRUE(available.contains(placed.normal)) << placed.normal.x() << "," << placed.normal.y();
    }

    // The offscreen screen is smaller than the wanted size as well.
    AppValues app;
    SettingsStore settings(test::TemporarySettingsPath());
    MainWindow window(app, settings);
    window.showOnScreen(QSize(1280, 860));
    const QRect available = window.screen()->availableGeometry();
    EXPECT_LE(window.frameGeometry().width(), available.width());
    EXPECT_LE(window.frameGeometry().height(), available.height());
}

TEST_F(Main, ModifiedMarkShowsInTheWindowListAndTheMaximisedTitle)
{
    DocumentWindow* doc = window->newDocument();
    QMenu* windows = window->menuBar()->actions().at(4)->menu();
    const auto listed = [&] {
        emit windows->aboutToShow();
        return windows->actions().constLast()->text();
    };
    doc->document().setModified(true);
    EXPECT_EQ(listed(), QStringLiteral("&1 SPD_File 1*"));
    qobject_cast<QMdiSubWindow*>(doc->parentWidget())->showMaximized();
    EXPECT_EQ(ShownWindowTitle(window.get()), QStringLiteral("TESSARO  - [SPD_File 1*]"));
    doc->document().setModified(false);
    EXPECT_EQ(ShownWindowTitle(window.get()), QStringLiteral("TESSARO  - [SPD_File 1]"));
    EXPECT_EQ(listed(), QStringLiteral("&1 SPD_File 1"));

    // A "[*]" in a file name is part of the name, not a mark.
    doc->document().setCaption("/tmp/a[*][*]b.spd");
    doc->document().setModified(true);
    EXPECT_EQ(ShownWindowTitle(doc), QStringLiteral("/tmp/a[*][*]b.spd*"));
    doc->document().setModified(false);
    EXPECT_EQ(listed(), QStringLiteral("&1 /tmp/a[*][*]b.spd"));
}

TEST_F(Main, OpenOffersBothSpdKindsFirstAndOpensSeveralFilesAtOnce)
{
    const SpdImage image = Ddr2Image();
    ASSERT_TRUE(WriteSpdFile(path("a.spd"), image, SpdFormat::Text, nullptr));
    ASSERT_TRUE(WriteSpdFile(path("b.bin"), test::CountingImage(), SpdFormat::Binary, nullptr));
    window->newDocument();
    test::ModalResponder responder;
    QStringList filters;
    responder.handleDialog([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->setDirectory(dir.path());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("\"a.spd\" \"b.bin\""));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    trigger("mnuFileOpen");
    EXPECT_EQ(filters, QStringList({"SPD files (*.spd *.bin)", "Korvalen SPD Files (*.spd)", "Bin Files (*.bin)",
                                    "All Files (*.*)"}));
    const QList<DocumentWindow*> docs = window->documents();
    ASSERT_EQ(docs.size(), 2) << "the empty untitled window takes the first file, the second gets its own";
    EXPECT_EQ(ShownWindowTitle(docs[0]), path("a.spd"));
    EXPECT_EQ(docs[0]->document().image(), image);
    EXPECT_EQ(ShownWindowTitle(docs[1]), path("b.bin"));
    EXPECT_EQ(docs[1]->document().image(), test::CountingImage());
    EXPECT_EQ(window->recentFiles().entry(1).caption, path("b.bin"));
    EXPECT_EQ(window->recentFiles().entry(2).caption, path("a.spd"));

    // Chosen again, both come to the front rather than being read twice.
    responder.handleDialog(ChooseFile(path("a.spd")));
    trigger("mnuFileOpen");
    EXPECT_EQ(window->documents().size(), 2);
    EXPECT_EQ(window->activeDocument(), docs[0]);
}

TEST_F(Main, FilesOfALaterStartOpenInTheRunningWindow)
{
    QTemporaryDir meeting;
    ui::SingleInstance running(meeting.path());
    ASSERT_TRUE(running.tryBecomePrimary());
    ConnectLaterStarts(running, *window);
    window->newDocument();
    const SpdImage image = Ddr2Image();
    ASSERT_TRUE(WriteSpdFile(path("a.spd"), image, SpdFormat::Text, nullptr));

    test::ModalResponder responder;
    ui::SingleInstance later(meeting.path());
    ASSERT_FALSE(later.tryBecomePrimary());
    later.activatePrimary({path("a.spd"), path("missing.spd")});
    for (int waited = 0; waited < 3000 && responder.messages().empty(); waited += 20)
        QTest::qWait(20);
    ASSERT_EQ(window->documents().size(), 1) << "the empty untitled window takes the file";
    EXPECT_EQ(ShownWindowTitle(window->activeDocument()), path("a.spd"));
    EXPECT_EQ(window->activeDocument()->document().image(), image);
    ASSERT_EQ(responder.messages().size(), 1U);
    EXPECT_TRUE(responder.messages()[0].text.contains(path("missing.spd"))) << "a file that cannot be read says so";
}

TEST_F(Main, OpenAndSaveRoundTripsInBothFormats)
{
    const SpdImage image = Ddr2Image();
    ASSERT_TRUE(WriteSpdFile(path("in.spd"), image, SpdFormat::Text, nullptr));
    window->newDocument();
    test::ModalResponder responder;
    responder.handleDialog(ChooseFile(path("in.spd")));
    trigger("mnuFileOpen");
    ASSERT_EQ(window->documents().size(), 1) << "the empty untitled window takes the file";
    DocumentWindow* doc = window->activeDocument();
    EXPECT_EQ(ShownWindowTitle(doc), path("in.spd"));
    EXPECT_EQ(doc->document().image(), image);
    EXPECT_EQ(doc->document().memoryTypeCode(), MemoryTypeCode::Ddr2);

    // Save As with the binary filter, then Save to the same name without a dialog.
    responder.handleDialog(ChooseFile(path("out.bin"), QStringLiteral("Bin Files (*.bin)")));
    trigger("mnuFileSaveAs");
    EXPECT_EQ(FileBytes(path("out.bin")), SpdBinaryBytes(image));
    EXPECT_EQ(ShownWindowTitle(doc), path("out.bin"));

    doc->document().setByte(200, 0x5A);
    doc->document().setModified(true);
    trigger("mnuFileSave");
    SpdImage changed = image;
    changed[200] = 0x5A;
    EXPECT_EQ(FileBytes(path("out.bin")), SpdBinaryBytes(changed));
    EXPECT_EQ(ShownWindowTitle(doc), path("out.bin")) << "the save clears the mark";
    EXPECT_EQ(responder.dialogsSeen(), 2);

    // Text through Save As, read back into a new window: the same image.
    responder.handleDialog(ChooseFile(path("again.spd")));
    trigger("mnuFileSaveAs");
    EXPECT_EQ(FileBytes(path("again.spd")), SpdTextBytes(changed));
    trigger("mnuFileClose");
    window->openPath(path("again.spd"));
    EXPECT_EQ(window->activeDocument()->document().image(), changed);
    EXPECT_TRUE(responder.messages().empty());
}

TEST_F(Main, UntitledSaveAsksForANameAndWritesTheFormatItsNameIsReadIn)
{
    window->newDocument()->document().setByte(3, 0x0E);
    test::ModalResponder responder;
    responder.handleDialog(ChooseFile(path("module")));  // no ending typed: the filter's ".spd" is added
    trigger("mnuFileSave");
    EXPECT_EQ(ShownWindowTitle(window->activeDocument()), path("module.spd"));
    SpdImage read{};
    ASSERT_TRUE(ReadSpdFile(path("module.spd"), read, nullptr));
    EXPECT_EQ(read[3], 0x0E);

    responder.handleDialog([](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection); });
    window->newDocument();
    trigger("mnuFileSave");
    EXPECT_EQ(ShownWindowTitle(window->activeDocument()), QStringLiteral("SPD_File 2")) << "a cancelled dialog does nothing";
}

TEST_F(Main, FileProblemsAreReportedAndChangeNothing)
{
    window->newDocument();
    DocumentWindow* doc = window->activeDocument();
    doc->document().setByte(9, 0x77);
    test::ModalResponder responder;
    test::WriteAll(path("short.bin").toStdString(), std::string(100, '\x01'));
    window->openPath(path("short.bin"));
    window->openPath(path("missing.spd"));
    ASSERT_EQ(responder.messages().size(), 2u);
    for (const test::SeenMessage& m : responder.messages()) {
        EXPECT_EQ(m.title, QStringLiteral("錯誤訊息"));
        EXPECT_EQ(m.icon, QMessageBox::Critical);
    }
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("short.bin")));
    EXPECT_EQ(window->documents().size(), 1);
    EXPECT_EQ(doc->document().byte(9), 0x77);
    EXPECT_FALSE(window->recentFiles().entry(1).visible);

    // Writing into a folder that does not exist: the window keeps its caption and mark.
    doc->document().setModified(true);
    responder.clear();
    responder.handleDialog(ChooseFile(path("nowhere/x.spd")));
    trigger("mnuFileSave");
    EXPECT_EQ(ShownWindowTitle(doc), QStringLiteral("SPD_File 1*"));
    EXPECT_FALSE(QFileInfo::exists(path("nowhere/x.spd")));

    app.operatorAuthorized = false;
    responder.clear();
    trigger("mnuFileSave");
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(responder.messages()[0].title, QStringLiteral("錯誤"));
    EXPECT_EQ(responder.messages()[0].text, QStringLiteral("      *****   權限不足無法存檔,請洽管理人員 !   *****      "));
}

TEST_F(Main, SaveOnAFullDiskKeepsTheOldFileTheMarkAndTheCaption)
{
    const SpdImage before = Ddr2Image();
    ASSERT_TRUE(WriteSpdFile(path("g.bin"), before, SpdFormat::Binary, nullptr));
    window->openPath(path("g.bin"));
    DocumentWindow* doc = window->activeDocument();
    doc->document().setByte(200, 0x5A);
    doc->document().setModified(true);

    SaveSystemCalls full = RealSaveSystemCalls();
    full.write = [](int, const char*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    SaveSystemCallsOverride disk(full);
    test::ModalResponder responder;
    trigger("mnuFileSave");
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(responder.messages()[0].title, QStringLiteral("錯誤訊息"));
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("無法儲存檔案")));
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("No space left on device")));
    EXPECT_EQ(FileBytes(path("g.bin")), SpdBinaryBytes(before));
    EXPECT_EQ(ShownWindowTitle(doc), path("g.bin") + QLatin1Char('*'));
    EXPECT_TRUE(doc->document().isModified());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"g.bin"})) << "no temporary file left";
}

TEST_F(Main, SaveAsWritesTheFormatTheNameIsReadInAndAsksBeforeReplacing)
{
    const SpdImage image = Ddr2Image();
    test::WriteAll(path("existing.bin").toStdString(), "old contents");
    window->newDocument();
    window->activeDocument()->document().load(image);
    test::ModalResponder responder;

    // The text filter with a ".bin" name: binary, as the name is read back; the
    // existing file is replaced only after a question.
    responder.answer(QMessageBox::No);
    // Once the question is answered No the dialog stays open: cancel it.
    responder.handleDialog(ChooseFileThenCancel(responder, path("existing.bin"), QStringLiteral("Korvalen SPD Files (*.spd)")));
    trigger("mnuFileSaveAs");
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_TRUE(responder.messages()[0].buttons.testFlag(QMessageBox::Yes));
    EXPECT_EQ(FileBytes(path("existing.bin")), "old contents") << "answering No keeps the file";

    responder.clear();
    responder.answer(QMessageBox::Yes);
    responder.handleDialog(ChooseFile(path("existing.bin"), QStringLiteral("Korvalen SPD Files (*.spd)")));
    trigger("mnuFileSaveAs");
    EXPECT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(FileBytes(path("existing.bin")), SpdBinaryBytes(image));
    SpdImage read{};
    ASSERT_TRUE(ReadSpdFile(path("existing.bin"), read, nullptr));
    EXPECT_EQ(read, image);

    // A name without an ending takes the chosen filter's.
    responder.handleDialog(ChooseFile(path("typed"), QStringLiteral("Bin Files (*.bin)")));
    trigger("mnuFileSaveAs");
    EXPECT_EQ(FileBytes(path("typed.bin")), SpdBinaryBytes(image));
    responder.handleDialog(ChooseFile(path("other.Spd"), QStringLiteral("All Files (*.*)")));
    trigger("mnuFileSaveAs");
    EXPECT_EQ(FileBytes(path("other.Spd")), SpdTextBytes(image));
    EXPECT_EQ(window->recentFiles().entry(1).caption, QFileInfo(path("other.Spd")).absoluteFilePath())
        << "Save As records the file among the recent ones";
}

TEST_F(Main, FilesNamedRelativelyAreCaptionedAndRememberedByTheirFullPath)
{
    ASSERT_TRUE(WriteSpdFile(path("rel.bin"), Ddr2Image(), SpdFormat::Binary, nullptr));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    window->openPath(QStringLiteral("rel.bin"));
    QDir::setCurrent(before);
    EXPECT_EQ(ShownWindowTitle(window->activeDocument()), path("rel.bin"));
    EXPECT_EQ(QSettings(settingsPath, QSettings::IniFormat).value(QStringLiteral("History/1")).toString(), path("rel.bin"));
}

TEST_F(Main, RecentFilesMoveToTheTopAndSurviveInTheStore)
{
    for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin"})
        ASSERT_TRUE(WriteSpdFile(path(name), Ddr2Image(), SpdFormat::Binary, nullptr));
    auto entries = [&] {
        QStringList list;
        for (int i = 1; i <= 3; ++i) {
            QAction* a = window->action(QStringLiteral("mnuFileMRU%1").arg(i));
            if (a->isVisible())
                list << QFileInfo(a->text()).fileName();
        }
        return list;
    };
    window->openPath(path("a.bin"));
    window->openPath(path("b.bin"));
    EXPECT_EQ(entries(), QStringList({"b.bin", "a.bin"}));
    window->openPath(path("c.bin"));
    window->openPath(path("a.bin"));  // already open: to the front, to the top
    EXPECT_EQ(entries(), QStringList({"a.bin", "c.bin", "b.bin"}));
    EXPECT_EQ(window->documents().size(), 3);
    window->openPath(path("d.bin"));
    EXPECT_EQ(entries(), QStringList({"d.bin", "a.bin", "c.bin"}));
    EXPECT_EQ(QSettings(settingsPath, QSettings::IniFormat).value(QStringLiteral("History/1")).toString(), path("d.bin"));

    // A recent file that has gone: reported, the window unchanged, no file made.
    window->closeAll();
    window->newDocument()->document().setByte(1, 0x42);
    QFile::remove(path("a.bin"));
    test::ModalResponder responder;
    window->openRecentFile(2);
    EXPECT_EQ(responder.messages().size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(path("a.bin")));
    EXPECT_EQ(window->activeDocument()->document().byte(1), 0x42);

    // A recent file loads into the active window, modified or not.
    window->activeDocument()->document().setModified(true);
    window->openRecentFile(1);
    EXPECT_EQ(window->documents().size(), 1);
    EXPECT_EQ(window->activeDocument()->document().image(), Ddr2Image());
    EXPECT_EQ(entries(), QStringList({"d.bin", "a.bin", "c.bin"}));
}

TEST_F(Main, ExitAsksForEveryModifiedWindowAndCanBeCancelled)
{
    window->newDocument();
    window->newDocument()->document().setModified(true);
    test::ModalResponder responder;
    responder.answer(QMessageBox::Cancel);
    trigger("mnuFileExit");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->documents().size(), 2);

    responder.answer(QMessageBox::No);
    trigger("mnuFileExit");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->documents().isEmpty());
    EXPECT_EQ(responder.messages().size(), 2u);
}

TEST(StartUp, FirstStartSetsAPasswordThatTheNextStartAsksFor)
{
    const QString store = test::TemporarySettingsPath();
    auto typePasswords = [](const QString& first, const QString& second) {
        return [first, second](QWidget* w) {
            auto* a = w->findChild<QLineEdit*>(QStringLiteral("txtPassword2"));
            auto* b = w->findChild<QLineEdit*>(QStringLiteral("txtPassword1"));
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(w->windowTitle(), QStringLiteral("第一次密碼設定"));
            a->setText(first);
            b->setText(second);
            QMetaObject::invokeMethod(w->findChild<QPushButton*>(QStringLiteral("cmdOK")), "click", Qt::QueuedConnection);
        };
    };
    {
        SettingsStore settings(store);
        AppValues app;
        MainWindow window(app, settings);
        test::ModalResponder responder;
        responder.handleDialog(typePasswords(QStringLiteral("Line7"), QStringLiteral("Line7")));
        window.runLoadSequence();
        EXPECT_EQ(responder.dialogsSeen(), 1);
        EXPECT_FALSE(app.operatorAuthorized) << "the first start runs without authorisation";
        EXPECT_TRUE(app.deviceIdle);
        EXPECT_EQ(window.documents().size(), 1);
        EXPECT_FALSE(window.action(QStringLiteral("mnuViewPassword"))->isEnabled());
        EXPECT_TRUE(window.activeDocument()->byteEntryBox()->isHidden());
    }
    QSettings raw(store, QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("History/PASS1")).toString(), QStringLiteral("QX527"));
    const QString stored = raw.value(QStringLiteral("History/PASS2")).toString();
    EXPECT_TRUE(IsHashedPassword(stored)) << "never the password itself: " << stored.toStdString();
    EXPECT_TRUE(PasswordAccepted(QStringLiteral("LINE7"), stored));
    EXPECT_EQ(raw.value(QStringLiteral("Settings/CommPort")).toString(), QStringLiteral("1"));

    SettingsStore settings(store);
    AppValues app;
    MainWindow window(app, settings);
    test::ModalResponder responder;
    responder.handleDialog([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("密碼"));
        w->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("line7"));
        QMetaObject::invokeMethod(w->findChild<QPushButton*>(QStringLiteral("cmdOK")), "click", Qt::QueuedConnection);
    });
    window.runLoadSequence();
    EXPECT_TRUE(app.operatorAuthorized);
    EXPECT_TRUE(window.action(QStringLiteral("mnuViewPassword"))->isEnabled());
    EXPECT_FALSE(window.activeDocument()->byteEntryBox()->isHidden());
    window.activeDocument()->document().setModified(false);
}

TEST(StartUp, PasswordKeptAsTypedByAnEarlierVersionOpensOnceAndIsThenHashed)
{
    const QString store = test::TemporarySettingsPath();
    {
        QSettings raw(store, QSettings::IniFormat);
        raw.setValue(QStringLiteral("History/PASS1"), QStringLiteral("QX527"));
        raw.setValue(QStringLiteral("History/PASS2"), QStringLiteral("Old1"));
    }
    auto login = [&store](const QString& entry) {
        SettingsStore settings(store);
        AppValues app;
        MainWindow window(app, settings);
        test::ModalResponder responder;
        responder.handleDialog([entry](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), QStringLiteral("密碼"));
            w->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(entry);
            QMetaObject::invokeMethod(w->findChild<QPushButton*>(QStringLiteral("cmdOK")), "click",
                                      Qt::QueuedConnection);
        });
        window.runLoadSequence();
        window.activeDocument()->document().setModified(false);
        return app.operatorAuthorized;
    };
    EXPECT_TRUE(login(QStringLiteral("old1")));
    const QString stored = QSettings(store, QSettings::IniFormat).value(QStringLiteral("History/PASS2")).toString();
    EXPECT_TRUE(IsHashedPassword(stored)) << stored.toStdString();
    EXPECT_EQ(QSettings(store, QSettings::IniFormat).value(QStringLiteral("History/PASS1")).toString(),
              QStringLiteral("QX527"));
    EXPECT_TRUE(login(QStringLiteral("OLD1"))) << "the hash opens as the plain text did";
    EXPECT_EQ(QSettings(store, QSettings::IniFormat).value(QStringLiteral("History/PASS2")).toString(), stored)
        << "hashed once only";
}

TEST(StartUp, StoreThatCannotBeWrittenIsReportedOnceAndAsksForNoNewPassword)
{
    QTemporaryDir folder;
    const QString store = QDir(folder.path()).filePath(QStringLiteral("settings.ini"));
    ASSERT_TRUE(QDir().mkdir(store));  // a folder in the way
    SettingsStore settings(store);
    AppValues app;
    MainWindow window(app, settings);
    test::ModalResponder responder;
    window.runLoadSequence();
    EXPECT_EQ(responder.dialogsSeen(), 0) << "no first-time password that could not be kept";
    ASSERT_EQ(responder.messages().size(), 1U);
    EXPECT_EQ(responder.messages()[0].title, QStringLiteral("錯誤訊息"));
    EXPECT_EQ(responder.messages()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(responder.messages()[0].text,
              QStringLiteral(" *****  無法寫入設定檔，本次的設定與密碼不會被保存 !  *****\n") + store +
                  QStringLiteral(": Is a directory"));
    EXPECT_FALSE(app.operatorAuthorized);
    EXPECT_EQ(window.documents().size(), 1);
}

TEST(StartUp, MailLinkOfTheHelpMenu)
{
    AppValues app;
    SettingsStore settings(test::TemporarySettingsPath());
    MainWindow window(app, settings);
    QString opened;
    window.setLinkOpener([&](const QString& link) { opened = link; });
    window.action(QStringLiteral("mnuHelpMail"))->trigger();
    EXPECT_TRUE(opened.startsWith(QStringLiteral("mailto:")));
    EXPECT_TRUE(opened.endsWith(QStringLiteral("?Subject=TESSARO 技術問題")));
}

TEST_F(Main, NamesThatAreNotUtf8OpenSaveAndStayInTheRecentFiles)
{
    // mod<E9>.bin is no UTF-8; a dialog lists it as mod<U+FFFD>.bin, which is
    // also the name of another file here.
    const std::string raw = dir.path().toStdString() + "/mod\xe9.bin";
    const std::string other = dir.path().toStdString() + "/mod\xef\xbf\xbd.bin";
    ASSERT_TRUE(WriteSpdFile(FileNameFromBytes(raw), Ddr2Image(), SpdFormat::Binary, nullptr));
    test::WriteAll(other, std::string(1024, 'u'));
    const QString name = FileNameFromBytes(raw);

    window->openPath(name);  // as from the command line
    ASSERT_NE(window->activeDocument(), nullptr);
    EXPECT_EQ(window->activeDocument()->document().captionWithoutMark(), raw);
    window->activeDocument()->document().setByte(1, 0x42);
    trigger("mnuFileSave");
    EXPECT_EQ(static_cast<unsigned char>(test::ReadAll(raw).at(1)), 0x42);
    EXPECT_EQ(test::ReadAll(other), std::string(1024, 'u'));
    EXPECT_EQ(SettingsStore(settingsPath).readHistory(1), name);

    // Through the dialog: two files read the same, so neither is taken.
    window->closeAll();
    test::ModalResponder responder;
    // The dialog stays open once it has said why: cancel it then.
    responder.handleDialog(ChooseFileThenCancel(responder, QString::fromUtf8(raw.c_str())));
    trigger("mnuFileOpen");
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("無法分辨檔案")));
    EXPECT_TRUE(window->documents().isEmpty());
    ::unlink(other.c_str());
    responder.handleDialog(ChooseFile(QString::fromUtf8(raw.c_str())));
    trigger("mnuFileOpen");
    ASSERT_EQ(window->documents().size(), 1);
    EXPECT_EQ(window->activeDocument()->document().captionWithoutMark(), raw);
    ::unlink(raw.c_str());  // a Qt listing could not remove it
}

TEST_F(Main, SaveAsNeverReplacesTheSettingsFileOrTheProductionLog)
{
    window->newDocument();
    ProductionLog log(*LogLocationFromSettings(*settings, nullptr));  // as the programmer link has it
    ASSERT_TRUE(log.open()) << log.problem().toStdString();
    for (const QString& target : {settingsPath, log.location().path}) {
        const std::string before = FileBytes(target);
        test::ModalResponder responder;
        responder.answer(QMessageBox::Yes);
        responder.handleDialog(ChooseFile(target, QStringLiteral("All Files (*.*)")));
        trigger("mnuFileSaveAs");
        ASSERT_FALSE(responder.messages().empty());
        EXPECT_TRUE(responder.messages().back().text.contains(QStringLiteral("\": it is the "))) << responder.messages().back().text.toStdString();
        EXPECT_EQ(FileBytes(target), before);
    }
}

// A file already open is found by what it is, not by the name that reaches
// it: its window comes forward and the file is not read again.
TEST_F(Main, AFileAlreadyOpenIsFoundWhateverNameReachesIt)
{
    ASSERT_TRUE(WriteSpdFile(path("a.bin"), Ddr2Image(), SpdFormat::Binary, nullptr));
    std::string ddr4(512, '\x11');
    ddr4[2] = '\x0C';
    test::WriteAll(path("b.bin").toStdString(), ddr4);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_EQ(::symlink(FileNameBytes(path("a.bin")).constData(), FileNameBytes(path("sub/link.bin")).constData()), 0);
    ASSERT_EQ(::link(FileNameBytes(path("a.bin")).constData(), FileNameBytes(path("hard.bin")).constData()), 0);
    ASSERT_EQ(::symlink("../b.bin", FileNameBytes(path("sub/b-link.bin")).constData()), 0);
    int reads = 0;
    window->documentManager().setFileReader([&reads](const std::string& name, InputFormat format) {
        ++reads;
        return ReadImageFileContents(name, format);
    });
    window->openPath(path("a.bin"));
    DocumentWindow* page = window->activeDocument();
    window->openPath(path("b.bin"));
    ModuleDocumentWindow* larger = window->activeModuleDocument();
    ASSERT_NE(page, nullptr);
    ASSERT_NE(larger, nullptr);

    const QString before = QDir::currentPath();
    QDir::setCurrent(path("sub"));
    const struct {
        QString name;
        QWidget* window;
    } cases[] = {
        {path("sub/link.bin"), page}, {path("hard.bin"), page}, {QStringLiteral("../a.bin"), page},
        {QStringLiteral("link.bin"), page}, {QStringLiteral("b-link.bin"), larger}, {QStringLiteral("./../b.bin"), larger},
    };
    for (const auto& c : cases) {
        window->newDocument();
        window->openPath(c.name);
        const QWidget* active = window->workspace()->activeSubWindow()->widget();
        EXPECT_EQ(active, c.window) << c.name.toStdString();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(reads, 2) << "each file was read once";
    EXPECT_EQ(window->moduleDocuments().size(), 1);
    EXPECT_EQ(window->recentFiles().entry(1).caption, path("b.bin")) << "the list names the file the window shows";
}

// One read per file, also when the size the type names is not there and the
// file opens as the 256-byte image it always opened as, and when it fails.
TEST_F(Main, OpeningReadsTheFileOnce)
{
    std::string shortDdr5(300, '\x22');
    shortDdr5[2] = '\x12';  // a 1024-byte type with too little of it
    std::string ddr4(512, '\x11');
    ddr4[2] = '\x0C';
    const struct {
        const char* name;
        std::string bytes;
        int pages;    // 256-byte windows after the open
        int larger;   // larger windows after the open
        std::size_t messages;
    } cases[] = {
        {"short-ddr5.bin", shortDdr5, 1, 0, 0},
        {"ddr4.bin", ddr4, 1, 1, 0},
        {"tiny.bin", std::string(100, '\x01'), 1, 1, 1},
    };
    int reads = 0;
    window->documentManager().setFileReader([&reads](const std::string& name, InputFormat format) {
        ++reads;
        return ReadImageFileContents(name, format);
    });
    test::ModalResponder responder;
    for (const auto& c : cases) {
        test::WriteAll(path(c.name).toStdString(), c.bytes);
        reads = 0;
        window->openPath(path(c.name));
        EXPECT_EQ(reads, 1) << c.name;
        EXPECT_EQ(window->documents().size(), c.pages) << c.name;
        EXPECT_EQ(window->moduleDocuments().size(), c.larger) << c.name;
        EXPECT_EQ(responder.messages().size(), c.messages) << c.name;
    }
    EXPECT_EQ(window->documents().first()->document().byte(2), 0x12);
}
