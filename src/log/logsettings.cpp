#include "log/logsettings.h"

#include "files/settingsstore.h"

#include <QDir>
#include <QFileInfo>

namespace tessaro {

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
    location.path = settings.readLogSetting(QStringLiteral("LogDatabase"));
    if (location.path.isEmpty()) {
        location.path = QFileInfo(settings.fileName()).absoluteDir().filePath(QStringLiteral("production-log.sqlite"));
    } else {
        // A file the operator named is made only in a folder that is there.
        location.path = QDir::cleanPath(QDir::fromNativeSeparators(location.path));
        location.creation = LogLocation::Creation::File;
    }
    return location;
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
