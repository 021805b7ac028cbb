#pragma once

#include "log/logrecord.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace tessaro {

// The columns of a listed or exported record, in order: the CSV header and
// the JSON keys.
[[nodiscard]] const QStringList& LogColumns();
// The record's value of each column, in the order of LogColumns().
[[nodiscard]] QStringList LogValues(const LogRecord& record);

// The records as CSV (UTF-8, CR LF line ends, a header line; fields with a
// comma, quote or line break quoted, quotes doubled; a field a spreadsheet
// would take as a formula is written as quoted text with a leading "'").
[[nodiscard]] QByteArray LogCsv(const std::vector<LogRecord>& records);

}  // namespace tessaro
