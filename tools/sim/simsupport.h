#pragma once

// What both simulators need beside their device: the stop signals, the wait
// until a moment, the time-stamped log of what they received and the symbolic
// link to their pseudo-terminal.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

namespace tessaro::sim {

// Sets *stop on SIGINT and SIGTERM. The signals are held back except while
// waiting (the returned mask is the one to wait with), so none slips in
// between a check of *stop and the wait.
[[nodiscard]] sigset_t InstallStopSignals(volatile std::sig_atomic_t* stop);

// The timeout of a wait until `wake` (nullptr: no wake at all, wait for ever).
[[nodiscard]] const timespec* TimeoutUntil(std::chrono::steady_clock::time_point wake, timespec& storage);

// "09:41:38.123", local time.
[[nodiscard]] std::string TimeStamp();

// Opens the log for writing. A FIFO that no process reads is refused at once
// instead of waited on for ever; the reason goes to fail().
[[nodiscard]] std::FILE* OpenLog(const std::string& path, const std::function<void(const std::string&)>& fail);

// Writes one time-stamped line; false with errno when it did not land.
bool WriteLogLine(std::FILE* log, const std::string& text);

// Makes (or replaces) the symbolic link `link` to target; an existing file
// that is no link is left alone.
bool MakeLink(const std::string& link, const std::string& target, const std::function<void(const std::string&)>& fail);

// Removes the link when it still names target.
void RemoveLink(const std::string& link, const std::string& target);

}  // namespace tessaro::sim
