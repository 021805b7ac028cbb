#include "device/pacingwait.h"

#include <algorithm>
#include <chrono>

namespace tessaro {

namespace {

std::int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t Elapsed(const PacingClock& clock)
{
    return clock.elapsed ? clock.elapsed() : SteadyMilliseconds();
}

}  // namespace

PacingClock SystemPacingClock()
{
    return {[] { return QTime::currentTime(); }, nullptr, SteadyMilliseconds};
}

PacingDeadline::PacingDeadline(int seconds, const PacingClock& clock)
    : m_clock(clock)
    , m_deadline(Elapsed(clock) + 1000 * (static_cast<std::int64_t>(std::max(seconds, 0)) + 1))
    , m_target((clock.now().second() + seconds) % 60)
{
}

int PacingDeadline::nextSleep() const
{
    const QTime now = m_clock.now();
    if (now.second() == m_target)
        return 0;
    const std::int64_t left = m_deadline - Elapsed(m_clock);
    if (left <= 0)
        return 0;
    // Sleep to just past the next second boundary, then look again.
    return static_cast<int>(std::min<std::int64_t>(1000 - now.msec() + 2, left));
}

void PacingWait(int seconds, const PacingClock& clock)
{
    const PacingDeadline deadline(seconds, clock);
    for (int ms = deadline.nextSleep(); ms > 0; ms = deadline.nextSleep())
        clock.sleep(ms);
}

PacingTimer::PacingTimer(QObject* parent)
    : QObject(parent)
    , m_clock(SystemPacingClock())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PacingTimer::wake);
}

std::int64_t PacingTimer::elapsed() const
{
    return Elapsed(m_clock);
}

void PacingTimer::startPacing(int seconds)
{
    m_deadline.emplace(seconds, m_clock);
    const int ms = m_deadline->nextSleep();
    m_sleeping = ms > 0;
    sleepFor(ms);
}

void PacingTimer::startSleep(int milliseconds)
{
    m_deadline.reset();
    sleepFor(std::max(milliseconds, 0));
}

void PacingTimer::stop()
{
    m_timer.stop();
    m_deadline.reset();
}

void PacingTimer::sleepFor(int milliseconds)
{
    // A clock of its own lets its time pass at once; the end still comes
    // from the event loop, as a real one's does.
    if (m_clock.sleep && milliseconds > 0) {
        m_clock.sleep(milliseconds);
        m_timer.start(0);
    } else {
        m_timer.start(milliseconds);
    }
}

void PacingTimer::wake()
{
    if (m_deadline) {
        if (m_sleeping)
            emit slept();
        if (const int ms = m_deadline->nextSleep(); ms > 0) {
            sleepFor(ms);
            return;
        }
        m_deadline.reset();
    }
    emit finished();
}

}  // namespace tessaro
