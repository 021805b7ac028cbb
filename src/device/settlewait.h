#pragma once

#include <QTime>

#include <functional>

namespace tessaro {

// The clock of the pacing wait: the time of day, and a way to let time pass
// while the user interface keeps running. Tests replace both.
struct SettleClock {
    std::function<QTime()> now;
    std::function<void(int milliseconds)> sleep;
};

// The real clock; sleep runs the event loop (timers, input, painting) and
// wakes when the time is up, without using the processor meanwhile.
[[nodiscard]] SettleClock SystemSettleClock();

// Runs the event loop until `milliseconds` have passed.
void RunEventLoopFor(int milliseconds);

// The pacing wait after a write: waits until the clock's second-of-minute is
// (second now + seconds) mod 60, so it lasts between seconds - 1 and seconds
// and ends on a second boundary.
void SettleWait(int seconds, const SettleClock& clock);
void SettleWait(int seconds);

}  // namespace tessaro
