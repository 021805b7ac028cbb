#pragma once

#include <QObject>
#include <QTime>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace tessaro {

// The clock of the pacing wait: the time of day, a monotonic count of
// milliseconds that no clock step or stall can move back, and how time
// passes. Without `sleep` it passes for real, on a timer of the event loop;
// tests give a `sleep` that moves their own time on at once. Without
// `elapsed` the wait reads the system's monotonic clock.
struct PacingClock {
    std::function<QTime()> now;
    std::function<void(int milliseconds)> sleep;
    std::function<std::int64_t()> elapsed;
};

// The real clock: the time of day, the monotonic clock, real time.
[[nodiscard]] PacingClock SystemPacingClock();

// The pacing wait after a write: it waits until the clock's second-of-minute is
// (second now + seconds) mod 60, so it lasts between seconds - 1 and seconds
// and ends on a second boundary. It never lasts longer than seconds + 1 by the
// monotonic clock: a stalled or stopped process, or a time of day that jumps,
// ends it at that deadline instead of a minute later.
class PacingDeadline
{
public:
    PacingDeadline(int seconds, const PacingClock& clock);
    // How long to sleep before looking again (to just past the next second
    // boundary, at most to the deadline); 0 when the wait is over.
    [[nodiscard]] int nextSleep() const;

private:
    const PacingClock& m_clock;
    std::int64_t m_deadline;
    int m_target;
};

// The pacing wait with a clock whose `sleep` lets the time pass itself.
void PacingWait(int seconds, const PacingClock& clock);

// The pacing wait and plain waits on the event loop: each returns at once and
// signals finished() when its time is over, the event loop running freely
// meanwhile (timers, input, painting) and the processor left alone.
class PacingTimer : public QObject
{
    Q_OBJECT
public:
    explicit PacingTimer(QObject* parent = nullptr);

    void setClock(PacingClock clock) { m_clock = std::move(clock); }
    [[nodiscard]] const PacingClock& clock() const { return m_clock; }
    // The monotonic milliseconds of the clock.
    [[nodiscard]] std::int64_t elapsed() const;

    // Starts the pacing wait of `seconds` (PacingDeadline).
    void startPacing(int seconds);
    // Starts a plain wait of `milliseconds`.
    void startSleep(int milliseconds);
    void stop();
    [[nodiscard]] bool isActive() const { return m_timer.isActive(); }

signals:
    // After every sleep of a pacing wait that goes on or ends.
    void slept();
    void finished();

private:
    void sleepFor(int milliseconds);
    void wake();

    PacingClock m_clock;
    QTimer m_timer;
    std::optional<PacingDeadline> m_deadline;
    bool m_sleeping = false;  // the pacing wait slept (it did not end at its first look)
};

}  // namespace tessaro
