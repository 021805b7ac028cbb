#include "app/startup.h"

#include "app/appicon.h"
#include "app/mainwindow.h"
#include "app/messages.h"
#include "app/singleinstance.h"
#include "app/splashwindow.h"
#include "core/bytetables.h"
#include "device/serialline.h"
#include "files/filename.h"
#include "files/settingsstore.h"
#include "tessaroversion.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

namespace tessaro {

bool LoadToolkitTranslations(QTranslator& translator, const QString& directory)
{
    return translator.load(QStringLiteral("qtbase_zh_TW"),
                           directory.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : directory);
}

bool LoadWindowTranslations(QTranslator& translator)
{
    return translator.load(QStringLiteral(":/tessaro/translations/tessaro_zh_TW.qm"));
}

void ConnectLaterStarts(ui::SingleInstance& instance, MainWindow& window)
{
    // Queued: a file that cannot be read shows its message once the request
    // has been read off the socket.
    QObject::connect(&instance, &ui::SingleInstance::openRequested, &window,
                     [&window](const QString& path) { window.openPath(path); }, Qt::QueuedConnection);
    QObject::connect(&instance, &ui::SingleInstance::activateRequested, &window, [&window] {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.show();
        window.raise();
        window.activateWindow();
    }, Qt::QueuedConnection);
}

void StepBackForRunningInstance(ui::SingleInstance& instance, const QStringList& files)
{
    // Files go over at once and quietly: a launcher that ends this process
    // early loses nothing, and the operator only sees them open.
    if (files.isEmpty())
        ui::ShowAlreadyRunning(nullptr);
    instance.activatePrimary(files);
}

const char* WorkstationUsage()
{
    return "usage: tessaro [--settings FILE] [FILE...]\n"
           "\n"
           "The SPD workstation: edit, check, print and program the SPD images of memory modules.\n"
           "\n"
           "  FILE...           SPD images to open: text images (names ending in \"spd\") and binary\n"
           "                    images of 256, 512 or 1024 bytes; when the workstation already runs,\n"
           "                    they open there\n"
           "  --settings FILE   keep the settings in the INI file FILE instead of the user's store\n"
           "  --help            print this text and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "The toolkit's own options (-platform NAME, -style NAME, ...) apply as well.\n";
}

int RunWorkstation(int argc, char** argv)
{
    // Answered before the toolkit starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--settings") == 0) {
            ++i;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(WorkstationUsage(), stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tessaro %s\n", kVersionText);
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ApplicationIcon());
    QTranslator toolkitTexts;
    if (LoadToolkitTranslations(toolkitTexts))
        QApplication::installTranslator(&toolkitTexts);
    QTranslator windowTexts;
    if (LoadWindowTranslations(windowTexts))
        QApplication::installTranslator(&windowTexts);
    QApplication::setApplicationName(QString::fromUtf8(ui::kProductTitle));
    QApplication::setOrganizationName(QStringLiteral("Korvalen inc."));

    // The arguments the toolkit left, as bytes: a file name need not be UTF-8.
    QString settingsFile;
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--settings") == 0 && i + 1 < argc)
            settingsFile = FileNameFromBytes(argv[++i]);
        else
            files << FileNameFromBytes(argv[i]);
    }

    AppValues values;
    values.numberInputMode = NumberInputMode::Decimal;

    ui::SingleInstance instance;
    if (!instance.tryBecomePrimary()) {
        StepBackForRunningInstance(instance, files);
        return 0;
    }
    // Files handed over by later starts while this one is still starting
    // wait until the main window is up.
    QStringList handedOver;
    const QMetaObject::Connection early = QObject::connect(
        &instance, &ui::SingleInstance::openRequested, &instance, [&handedOver](const QString& path) { handedOver << path; });

    {
        ui::SplashWindow splash;
        splash.exec();
    }

    // The five byte description tables.
    for (int code = 0; code <= 4; ++code)
        (void)DescriptionTableFor(static_cast<MemoryTypeCode>(code));

    std::unique_ptr<SettingsStore> settings =
        settingsFile.isEmpty() ? std::make_unique<SettingsStore>() : std::make_unique<SettingsStore>(settingsFile);
    MainWindow window(values, *settings);
    SettingsStore& store = *settings;
    window.attachProgrammer(std::make_unique<QtSerialLine>(
        [&store](int number) { return PortDeviceName(number, [&store](int n) { return store.readPortDevice(n); }); }));
    window.runLoadSequence();
    window.showOnScreen(QSize(1280, 860));
    QObject::disconnect(early);
    ConnectLaterStarts(instance, window);
    for (const QString& file : files + handedOver)
        window.openPath(file);
    return QApplication::exec();
}

}  // namespace tessaro
