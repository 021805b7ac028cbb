#include "log/logsettings.h"

#include "files/settingsstore.h"

#include <QDir>
#include <QFileInfo>

namespace tessaro {

namespace {

// The SQLite file of the "LogDatabase" setting, or the default beside the settings file.
QString LogDatabasePath(const QString& setting, const QString& settingsFile)
{
    if (setting.isEmpty())
        return QFileInfo(settingsFile).absoluteDir().filePath(QStringLiteral("production-log.sqlite"));
    return QDir::cleanPath(QDir::fromNativeSeparators(setting));
}

}  // namespace

std::optional<LogLocation> LogLocationFromSettings(SettingsStore& settings, QString* error)
{
    const QString kept = QFileInfo(settings.fileName()).absoluteDir().filePath(QStringLiteral("production-log-waiting.jsonl"));
    if (const QString server = settings.readLogSetting(QStringLiteral("LogServer")); !server.isEmpty()) {
        std::optional<LogLocation> location = ParseLogServer(server, error);
        if (location)
            location->keptRecordsPath = kept;
        return location;
    }
    LogLocation location;
    location.keptRecordsPath = kept;
    const QString setting = settings.readLogSetting(QStringLiteral("LogDatabase"));
    location.path = LogDatabasePath(setting, settings.fileName());
    // A file the operator named is made only in a folder that is there.
    if (!setting.isEmpty())
        location.creation = LogLocation::Creation::File;
    return location;
}

std::vector<std::unique_ptr<ProtectedFile>> ProtectUserFiles()
{
    const QString settingsFile = UserSettingsFile();
    std::vector<std::unique_ptr<ProtectedFile>> guards;
    guards.push_back(std::make_unique<ProtectedFile>(settingsFile, QStringLiteral("the settings file")));
    if (PeekSetting(settingsFile, QStringLiteral("LogServer")).isEmpty()) {
        const QString database = LogDatabasePath(PeekSetting(settingsFile, QStringLiteral("LogDatabase")), settingsFile);
        guards.push_back(std::make_unique<ProtectedFile>(database, QStringLiteral("the production log database")));
    }
    return guards;
}

QString StationNameFromSettings(SettingsStore& settings)
{
    const QString name = settings.readLogSetting(QStringLiteral("StationName"));
    return name.isEmpty() ? DefaultStationName() : name;
}

QString OperatorNameFromSettings(SettingsStore& settings)
{
    return OperatorName(settings.readLogSetting(QStringLiteral("OperatorName")));
}

}  // namespace tessaro
