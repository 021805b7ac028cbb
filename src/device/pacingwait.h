#pragma once

#include <QTime>

#include <cstdint>
#include <functional>

namespace tessaro {

// The clock of the pacing wait: the time of day, a monotonic count of
// milliseconds that no clock step or stall can move back, and a way to let
// time pass while the user interface keeps running. Tests replace all three;
// without `elapsed` the wait reads the system's monotonic clock.
struct PacingClock {
    std::function<QTime()> now;
    std::function<void(int milliseconds)> sleep;
    std::function<std::int64_t()> elapsed;
};

// The real clock; sleep runs the event loop (timers, input, painting) and
// wakes when the time is up, without using the processor meanwhile.
[[nodiscard]] PacingClock SystemPacingClock();

// Runs the event loop until `milliseconds` have passed.
void RunEventLoopFor(int milliseconds);

// The pacing wait after a write: waits until the clock's second-of-minute is
// (second now + seconds) mod 60, so it lasts between seconds - 1 and seconds
// and ends on a second boundary. It never lasts longer than seconds + 1 by the
// monotonic clock: a stalled or stopped process, or a time of day that jumps,
// ends it at that deadline instead of a minute later.
void PacingWait(int seconds, const PacingClock& clock);
void PacingWait(int seconds);

}  // namespace tessaro
