// tessaro-screens: shows the workstation with SPD images open, as an operator
// would see it, and saves a picture of the screen for each image.
// usage: tessaro-screens OUTDIR [--device PATH] FILE...   (run it on a real display or Xvfb)
//        tessaro-screens OUTDIR --dialogs  (the splash, password, settings and about windows)
//        tessaro-screens OUTDIR --wizard   (the SPD wizard, page by page, and the document it builds)
//        tessaro-screens OUTDIR --pinmaps  (the eleven pin-map pictures at their own size and at twice it)
//        tessaro-screens OUTDIR --modules FILE...  (the window of each 512- or 1024-byte image, full screen)
//        tessaro-screens OUTDIR --compare A B  (the compare window of two images, filling the screen)
//        tessaro-screens OUTDIR --installed ROOT  (this computer's modules read from the sysfs tree at ROOT)
// A 512- or 1024-byte FILE opens in its own window; with --touch N its byte N
// is then typed again in the entry box (the CRC blocks follow in CRC mode) and
// a second picture, NAME-edited.png, shows the result.
// With --panels each image is also shown with its module and IC pin-map
// panels (the tool-bar buttons DRAM and IC) at the window's opening size and
// maximised: NAME-module.png, NAME-ic.png, NAME-module-max.png.
// With --device the windows talk to the programmer on PATH (for example the
// simulator): after each picture the module test runs and a second picture,
// NAME-tested.png, shows its result on the pins. With --feedback as well, the
// image is first downloaded (NAME-downloading.png: the progress in the status
// bar), three bytes of the window are then changed and compared with the
// programmer's (NAME-compare-failed.png: the message listing them and the
// marked cells).
//        tessaro-screens OUTDIR --spdrw DEVICE FILE  (the SPD reader/writer on DEVICE, for example its
// simulator with a module at 0x50 whose blocks 0 and 1 are protected and a
// seeded failure of a page: the frame in FILE's window, the write refused for
// the protection, the write's confirmation and the failed write after the
// protection is cleared, and the production log with the write's backup)
#include "app/aboutdialog.h"
#include "app/installedmodulesdialog.h"
#include "app/mainwindow.h"
#include "app/passworddialogs.h"
#include "app/logwindow.h"
#include "app/portsettingsdialog.h"
#include "app/readerwriterframe.h"
#include "app/spdrwcontroller.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "device/programmerlink.h"
#include "device/serialline.h"
#include "documentwindow/comparewindow.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "files/imagefile.h"
#include "pinmapui/pinmapart.h"
#include "print/modulereport.h"
#include "print/reportrender.h"
#include "pinmapui/pinmappanel.h"
#include "files/settingsstore.h"
#include "wizard/wizarddialog.h"
#include "wizard/wizardcommand.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QMessageBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {
void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `start`, which may open a modal message box; the box is photographed
// (when `picture` is not empty) and closed as soon as it shows.
template <typename Shoot>
void AnswerNextBox(const QString& picture, Shoot& shoot, const std::function<void()>& start)
{
    auto* watcher = new QTimer;
    watcher->setInterval(100);
    QObject::connect(watcher, &QTimer::timeout, watcher, [watcher, picture, &shoot] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr)
            return;
        watcher->stop();
        Wait(300);
        if (!picture.isEmpty())
            shoot(picture);
        box->close();
        watcher->deleteLater();
    });
    watcher->start();
    start();
    for (int waited = 0; watcher->isActive() && waited < 30000; waited += 100)
        Wait(100);
}
bool Save(QWidget& widget, const QDir& out, const char* name)
{
    widget.show();
    Wait(300);
    const QString file = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    const bool ok = widget.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    widget.hide();
    return ok;
}

template <typename Shoot>
int ShowReaderWriter(tessaro::SettingsStore& settings, const QString& device, const QString& path, Shoot& shoot)
{
    using namespace tessaro;
    settings.writePortKind(2, PortKind::ReaderWriter);
    settings.writePortDevice(2, device);
    AppValues values;
    values.operatorAuthorized = true;
    MainWindow window(values, settings);
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.show();
    window.configureReaderWriter();
    window.readerWriter().waitIdle(20000);
    window.openPath(path);
    QWidget* doc = window.activeModuleDocument();
    if (doc == nullptr)
        doc = window.activeDocument();
    if (doc == nullptr)
        return 1;
    qobject_cast<QMdiSubWindow*>(doc->parentWidget())->showMaximized();
    auto* frame = doc->findChild<ReaderWriterFrame*>();
    frame->selectAddress(0x50);
    Wait(500);
    int failures = shoot(QStringLiteral("spdrw-frame")) ? 0 : 1;
    const auto press = [&](const char* name) {
        frame->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    };
    AnswerNextBox(QStringLiteral("spdrw-refused"), shoot, [&] { press("spdrwWrite"); });
    window.readerWriter().waitIdle(20000);
    press("spdrwProtectClear");
    window.readerWriter().waitIdle(20000);
    AnswerNextBox(QStringLiteral("spdrw-confirm"), shoot, [&] { press("spdrwWrite"); });
    window.readerWriter().waitIdle(20000);
    // The confirmation answered yes; the failure that follows photographed.
    auto* yes = new QTimer;
    yes->setInterval(100);
    QObject::connect(yes, &QTimer::timeout, yes, [yes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->button(QMessageBox::Yes)) {
            yes->stop();
            box->button(QMessageBox::Yes)->click();
            yes->deleteLater();
        }
    });
    yes->start();
    press("spdrwWrite");
    for (int waited = 0; yes->isActive() && waited < 20000; waited += 100)
        Wait(100);
    AnswerNextBox(QStringLiteral("spdrw-write-failed"), shoot, [] {});
    window.readerWriter().waitIdle(20000);
    if (LogWindow* log = window.showProductionLog()) {
        qobject_cast<QMdiSubWindow*>(log->parentWidget())->showMaximized();
        const QAbstractItemModel* rows = log->table()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            if (log->table()->model()->index(row, 3).data().toString().contains(QCoreApplication::translate("LogWindow", "spdrw backup")))
                log->table()->selectRow(row);
        Wait(500);
        failures += shoot(QStringLiteral("spdrw-log")) ? 0 : 1;
    }
    for (QWidget* w : window.documentManager().windows()) {
        if (auto* d = qobject_cast<DocumentWindow*>(w))
            d->document().setModified(false);
        if (auto* m = qobject_cast<ModuleDocumentWindow*>(w))
            m->document().setModified(false);
    }
    return failures == 0 ? 0 : 1;
}

int ShowDialogs(const QDir& out, tessaro::SettingsStore& settings)
{
    bool ok = true;
    tessaro::ui::SplashWindow splash;
    splash.setCloseDelay(60000);
    ok &= Save(splash, out, "splash");
    bool authorized = false;
    tessaro::ui::LoginDialog login(QString(), authorized);
    ok &= Save(login, out, "password-entry");
    tessaro::ui::SetPasswordDialog first([](const QString&) {});
    first.setFirstStart(true);
    ok &= Save(first, out, "password-first");
    std::uint8_t port = 2;
    tessaro::NumberInputMode mode = tessaro::NumberInputMode::Decimal;
    tessaro::PortSettingsDialog options(port, mode, settings, [](int) {});
    ok &= Save(options, out, "settings");
    tessaro::ui::AboutDialog about;
    ok &= Save(about, out, "about");
    // The compare dialog with three open documents, the second active.
    std::vector<std::pair<QString, tessaro::ImageData>> open;
    for (int i = 1; i <= 3; ++i)
        open.emplace_back(QStringLiteral("SPD_File %1").arg(i), tessaro::ImageData{std::vector<std::uint8_t>(256), 256});
    tessaro::CompareSourceDialog compare(open, 1);
    ok &= Save(compare, out, "compare-source");
    return ok ? 0 : 1;
}

// The wizard's pages for a DDR2 module, then the document window it fills.
int ShowWizard(const QDir& out, tessaro::SettingsStore& settings)
{
    bool ok = true;
    tessaro::WizardRecord record;
    tessaro::WizardDialog wizard(record);
    auto click = [&wizard](const char* name) { wizard.findChild<QAbstractButton*>(QString::fromLatin1(name))->click(); };
    click("optRamType2");
    ok &= Save(wizard, out, "wizard-page0");
    for (int page = 1; page <= 4; ++page) {
        click("Command3");
        if (page == 1)
            click("optRamTypeDDR22");
        if (page == 4) {
            wizard.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("7F7F9E"));
            wizard.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("DDR2-667 1GB"));
        }
        ok &= Save(wizard, out, QStringLiteral("wizard-page%1").arg(page).toLatin1().constData());
    }
    tessaro::AppValues values;
    values.operatorAuthorized = true;
    tessaro::MainWindow window(values, settings);
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.show();
    click("Command4");
    tessaro::DocumentWindow* doc = tessaro::CreateWizardDocument(record, [&window] { return window.newDocument(); });
    qobject_cast<QMdiSubWindow*>(doc->parentWidget())->showMaximized();
    Wait(2300);  // past the two-second settle of the window
    const QString name = out.filePath(QStringLiteral("wizard-document.png"));
    ok &= QApplication::primaryScreen()->grabWindow(0).save(name);
    std::printf("%s\n", qPrintable(name));
    doc->document().setModified(false);
    return ok ? 0 : 1;
}
// The file name of a pin-map picture: pinmap-ddr2-fbga60.png.
QString PinMapFileName(tessaro::PinMapPicture picture, int scale)
{
    using tessaro::PinMapPicture;
    const char* stem = "";
    switch (picture) {
    case PinMapPicture::DdrTsop66: stem = "ddr-tsop66"; break;
    case PinMapPicture::DdrDimm184: stem = "ddr-dimm184"; break;
    case PinMapPicture::DdrSoDimm200: stem = "ddr-sodimm200"; break;
    case PinMapPicture::Ddr2Dimm240: stem = "ddr2-dimm240"; break;
    case PinMapPicture::Ddr2SoDimm200: stem = "ddr2-sodimm200"; break;
    case PinMapPicture::Ddr2Fbga84: stem = "ddr2-fbga84"; break;
    case PinMapPicture::Ddr2Fbga60: stem = "ddr2-fbga60"; break;
    case PinMapPicture::Ddr3Fbga78: stem = "ddr3-fbga78"; break;
    case PinMapPicture::Ddr3Fbga96: stem = "ddr3-fbga96"; break;
    case PinMapPicture::Ddr3Dimm240: stem = "ddr3-dimm240"; break;
    case PinMapPicture::Ddr3SoDimm204: stem = "ddr3-sodimm204"; break;
    }
    return QStringLiteral("pinmap-%1%2.png")
        .arg(QString::fromLatin1(stem), scale == 1 ? QString() : QStringLiteral("-x%1").arg(scale));
}

int ShowPinMaps(const QDir& out)
{
    bool ok = true;
    for (int i = 0; i < tessaro::kPinMapPictureCount; ++i) {
        const auto picture = static_cast<tessaro::PinMapPicture>(i);
        for (int scale : {1, 2}) {
            const QString file = out.filePath(PinMapFileName(picture, scale));
            ok &= tessaro::RenderPinMap(picture, scale).save(file);
            std::printf("%s\n", qPrintable(file));
        }
    }
    return ok ? 0 : 1;
}

// The compare window of two image files at the screen's size, its cursor on the first difference.
int ShowCompare(const QDir& out, const QString& pathA, const QString& pathB)
{
    tessaro::ImageRead reads[2];
    const QString paths[2] = {pathA, pathB};
    for (int i = 0; i < 2; ++i) {
        const std::string path = paths[i].toStdString();
        reads[i] = tessaro::ReadImageFile(path, tessaro::InputFormatForFileName(path));
        if (!reads[i].ok()) {
            std::fprintf(stderr, "%s\n", reads[i].error.c_str());
            return 1;
        }
    }
    tessaro::CompareWindow window(reads[0].image, QFileInfo(pathA).fileName(), reads[1].image,
                                  QFileInfo(pathB).fileName());
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.nextDifference();
    // The first differing fact chosen: its bytes are selected in both grids.
    if (window.factTable()->rowCount() > 0)
        window.factTable()->selectRow(0);
    return Save(window, out, "compare") ? 0 : 1;
}

// The printed report of a file as the page comes out of the printer: an A4
// sheet at 150 dpi with quarter-inch margins.
int ShowReport(const QDir& out, const QString& path)
{
    const std::string name = path.toStdString();
    const tessaro::ImageRead read = tessaro::ReadImageFile(name, tessaro::InputFormatForFileName(name));
    if (!read.ok()) {
        std::fprintf(stderr, "%s\n", read.error.c_str());
        return 1;
    }
    std::vector<tessaro::PrintItem> items;
    if (read.image.size > tessaro::kSpdSize) {
        items = tessaro::LayoutModuleReport(read.image.bytes, name);
    } else {
        tessaro::ReportSource source;
        std::copy_n(read.image.bytes.begin(), tessaro::kSpdSize, source.image.begin());
        source.caption = name;
        source.webAddress = tessaro::MakerWebAddress();
        items = tessaro::LayoutReport(source);
    }
    constexpr int kDpi = 150;
    const QSizeF paper(8.27, 11.69);  // inches
    const qreal margin = 0.25;
    QImage page(qRound(paper.width() * kDpi), qRound(paper.height() * kDpi), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.translate(margin * kDpi, margin * kDpi);
        tessaro::RenderReport(painter, items,
                              QSizeF((paper.width() - 2 * margin) * 1440, (paper.height() - 2 * margin) * 1440), kDpi,
                              kDpi);
    }
    const QString file = out.filePath(QFileInfo(path).completeBaseName() + QStringLiteral("-report.png"));
    std::printf("%s\n", qPrintable(file));
    return page.save(file) ? 0 : 1;
}
}  // namespace

// The list of this computer's modules, read from a sysfs tree, then the
// workstation with the chosen ones open.
int ShowInstalled(const QDir& out, tessaro::SettingsStore& settings, const QString& root)
{
    tessaro::AppValues values;
    values.operatorAuthorized = true;
    tessaro::MainWindow window(values, settings);
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.show();
    tessaro::InstalledModulesDialog dialog(root, &window);
    dialog.show();
    dialog.startScan();
    for (int waited = 0; dialog.scanning() && waited < 10000; waited += 50)
        Wait(50);
    Wait(300);
    const QString file = out.filePath(QStringLiteral("installed.png"));
    if (!QApplication::primaryScreen()->grabWindow(0).save(file))
        return 1;
    std::printf("%s\n", qPrintable(file));
    return 0;
}

// Each 512- or 1024-byte image in its own window over the whole screen.
int ShowModuleWindows(const QDir& out, const QStringList& files)
{
    int failures = 0;
    for (const QString& path : files) {
        tessaro::ImageRead read = tessaro::ReadImageFile(path.toStdString(), tessaro::InputFormat::Auto);
        if (!read.ok()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), read.error.c_str());
            ++failures;
            continue;
        }
        tessaro::ModuleDocumentWindow window(std::move(read.image), QFileInfo(path).fileName());
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.setGeometry(QApplication::primaryScreen()->availableGeometry());
        window.show();
        Wait(300);
        const QString file = out.filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".png"));
        if (QApplication::primaryScreen()->grabWindow(0).save(file))
            std::printf("%s\n", qPrintable(file));
        else
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

namespace {
constexpr const char* kUsage =
    "usage: tessaro-screens OUTDIR [--device DEVICE] [--touch BYTE] [--panels] [--feedback] FILE...\n"
    "       tessaro-screens OUTDIR --dialogs | --wizard | --pinmaps\n"
    "       tessaro-screens OUTDIR --spdrw DEVICE FILE\n"
    "       tessaro-screens OUTDIR --modules FILE...\n"
    "       tessaro-screens OUTDIR --compare FILE-A FILE-B\n"
    "       tessaro-screens OUTDIR --installed SYSFS-ROOT\n"
    "       tessaro-screens OUTDIR --report FILE\n"
    "Saves pictures of the workstation's windows as PNG files in OUTDIR (needs a display,\n"
    "or QT_QPA_PLATFORM=offscreen).\n";
}  // namespace

int main(int argc, char** argv)
{
    // Answered before any display is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
    }
    QApplication application(argc, argv);
    // The windows as the operator sees them: in Traditional Chinese.
    QTranslator toolkitTexts;
    QTranslator windowTexts;
    if (tessaro::LoadToolkitTranslations(toolkitTexts))
        QApplication::installTranslator(&toolkitTexts);
    if (tessaro::LoadWindowTranslations(windowTexts))
        QApplication::installTranslator(&windowTexts);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QDir out(args[1]);
    QDir().mkpath(out.path());
    QTemporaryDir settingsDir;
    tessaro::SettingsStore settings(settingsDir.filePath(QStringLiteral("settings.ini")));
    if (args[2] == QLatin1String("--dialogs"))
        return ShowDialogs(out, settings);
    if (args[2] == QLatin1String("--wizard"))
        return ShowWizard(out, settings);
    if (args[2] == QLatin1String("--pinmaps"))
        return ShowPinMaps(out);
    if (args[2] == QLatin1String("--modules"))
        return ShowModuleWindows(out, args.mid(3));
    if (args[2] == QLatin1String("--compare") && args.size() == 5)
        return ShowCompare(out, args[3], args[4]);
    if (args[2] == QLatin1String("--installed") && args.size() == 4)
        return ShowInstalled(out, settings, args[3]);
    if (args[2] == QLatin1String("--report") && args.size() == 4)
        return ShowReport(out, args[3]);
    const auto shootScreen = [&out](const QString& name) {
        const QString file = out.filePath(name + QStringLiteral(".png"));
        const bool ok = QApplication::primaryScreen()->grabWindow(0).save(file);
        std::printf("%s\n", qPrintable(file));
        return ok;
    };
    if (args[2] == QLatin1String("--spdrw") && args.size() == 5)
        return ShowReaderWriter(settings, args[3], args[4], shootScreen);
    QString device;
    QStringList files;
    bool panels = false;
    bool feedback = false;
    int touch = -1;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--device") && i + 1 < args.size())
            device = args[++i];
        else if (args[i] == QLatin1String("--touch") && i + 1 < args.size())
            touch = args[++i].toInt(nullptr, 0);
        else if (args[i] == QLatin1String("--panels"))
            panels = true;
        else if (args[i] == QLatin1String("--feedback"))
            feedback = true;
        else
            files << args[i];
    }
    auto shoot = [&out](const QString& name) {
        const QString file = out.filePath(name + QStringLiteral(".png"));
        if (!QApplication::primaryScreen()->grabWindow(0).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("%s\n", qPrintable(file));
        return true;
    };
    int failures = 0;
    for (const QString& path : files) {
        tessaro::AppValues values;
        values.operatorAuthorized = true;
        tessaro::MainWindow window(values, settings);
        if (!device.isEmpty()) {
            window.attachProgrammer(std::make_unique<tessaro::QtSerialLine>([device](int) { return device; }));
            window.programmerLink()->openPort();
            window.programmerLink()->pollTimer().start();
        }
        window.setGeometry(QApplication::primaryScreen()->availableGeometry());
        window.show();
        window.newDocument();
        window.openPath(path);
        if (tessaro::ModuleDocumentWindow* module = window.activeModuleDocument()) {
            qobject_cast<QMdiSubWindow*>(module->parentWidget())->showMaximized();
            Wait(500);
            const QString base = QFileInfo(path).completeBaseName();
            failures += shoot(base) ? 0 : 1;
            if (touch >= 0) {
                module->selectByte(touch);
                module->byteEntryBox()->setText(QString::asprintf("%02X", module->document().byte(touch)));
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(module->byteEntryBox(), &enter);
                module->selectByte(touch);
                Wait(300);
                failures += shoot(base + QStringLiteral("-edited")) ? 0 : 1;
            }
            module->document().setModified(false);
            continue;
        }
        tessaro::DocumentWindow* doc = window.activeDocument();
        if (doc == nullptr) {
            ++failures;
            continue;
        }
        qobject_cast<QMdiSubWindow*>(doc->parentWidget())->showMaximized();
        Wait(2300);  // past the two-second settle of the window (and the handshake)
        const QString base = QFileInfo(path).completeBaseName();
        failures += shoot(base) ? 0 : 1;
        if (panels) {
            auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
            sub->showNormal();
            sub->resize(tessaro::DocumentWindow::openingSize(sub));
            doc->modulePinMapButton();
            Wait(300);
            failures += shoot(base + QStringLiteral("-module")) ? 0 : 1;
            doc->icPinMapButton();
            Wait(300);
            failures += shoot(base + QStringLiteral("-ic")) ? 0 : 1;
            doc->modulePinMapButton();
            sub->showMaximized();
            Wait(300);
            failures += shoot(base + QStringLiteral("-module-max")) ? 0 : 1;
            doc->pinMapPanel(false)->closeButton()->click();
        }
        if (!device.isEmpty() && feedback) {
            auto click = [doc](const char* name) {
                doc->findChild<QPushButton*>(QString::fromLatin1(name))->click();
            };
            // The download takes about 13 s; its progress shows after a few rows.
            QTimer::singleShot(4000, [&] { failures += shoot(base + QStringLiteral("-downloading")) ? 0 : 1; });
            AnswerNextBox(QString(), shoot, [&] { click("Command1"); });
            for (int index : {4, 18, 77}) {
                doc->editor().selectByte(index);
                QString box = QString::asprintf("%02X", (doc->document().byte(index) + 1) & 0xFF);
                doc->byteEntryBox()->setText(box);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(doc->byteEntryBox(), &enter);
            }
            Wait(300);
            AnswerNextBox(base + QStringLiteral("-compare-failed"), shoot, [&] { click("Command3"); });
        }
        if (!device.isEmpty()) {
            // The module test; its record arrives at a later polling tick.
            const int records = values.testPassCount + values.testFailCount;
            doc->findChild<QPushButton*>(QStringLiteral("Command8"))->click();
            for (int waited = 0; values.testPassCount + values.testFailCount == records && waited < 10000; waited += 100)
                Wait(100);
            Wait(300);
            failures += shoot(base + QStringLiteral("-tested")) ? 0 : 1;
        }
        for (tessaro::DocumentWindow* d : window.documents())
            d->document().setModified(false);
    }
    return failures == 0 ? 0 : 1;
}
