#include "app/startup.h"

#include "app/mainwindow.h"
#include "app/messages.h"
#include "app/singleinstance.h"
#include "app/splashwindow.h"
#include "core/bytetables.h"
#include "device/serialline.h"
#include "files/settingsstore.h"

#include <QApplication>
#include <QStringList>

#include <memory>

namespace tessaro {

int RunWorkstation(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(ui::kProductTitle));
    QApplication::setOrganizationName(QStringLiteral("Korvalen inc."));

    QString settingsFile;
    QStringList files;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--settings") && i + 1 < args.size())
            settingsFile = args[++i];
        else
            files << args[i];
    }

    AppValues values;
    values.numberInputMode = 0;

    ui::SingleInstance instance;
    if (!instance.tryBecomePrimary()) {
        ui::ShowAlreadyRunning(nullptr);
        instance.activatePrimary();
        return 0;
    }

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
    QObject::connect(&instance, &ui::SingleInstance::activateRequested, &window, [&window] {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.runLoadSequence();
    window.resize(1280, 860);
    window.show();
    for (const QString& file : files)
        window.openPath(file);
    return QApplication::exec();
}

}  // namespace tessaro
