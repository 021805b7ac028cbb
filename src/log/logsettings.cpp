#include "log/logsettings.h"

#include "files/settingsstore.h"

#include <QDir>
#include <QFileInfo>

namespace tessaro {

std::optional<LogLocation> LogLocationFromSettings(SettingsStore& settings, QString* error)
{
    if (const QString server = settings.readLogSetting(QStringLiteral("LogServer")); !server.isEmpty())
        return ParseLogServer(server, error);
    LogLocation location;
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
