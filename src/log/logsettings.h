#pragma once

#include "log/productionlog.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tessaro {

class SettingsStore;

// The production log that the settings name: the PostgreSQL server of
// "LogServer" when set, else the SQLite file of "LogDatabase", else
// "production-log.sqlite" beside the settings file; records kept for a later
// program in "production-log-waiting.jsonl" beside the settings file.
// nullopt with *error set when "LogServer" cannot be read.
[[nodiscard]] std::optional<LogLocation> LogLocationFromSettings(SettingsStore& settings, QString* error);

// Guards that keep every output off the running user's settings file and the
// production log file those settings name (see ProtectedFile), for a command
// that opens neither; nothing is created or changed.
[[nodiscard]] std::vector<std::unique_ptr<ProtectedFile>> ProtectUserFiles();

// "StationName", or the host name when it is not set.
[[nodiscard]] QString StationNameFromSettings(SettingsStore& settings);

// The operator of the records: the login name, with "OperatorName" when it is set.
[[nodiscard]] QString OperatorNameFromSettings(SettingsStore& settings);

}  // namespace tessaro
