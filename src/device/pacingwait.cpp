#include "device/pacingwait.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace tessaro {

namespace {

std::int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void RunEventLoopFor(int milliseconds)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::max(milliseconds, 0));
    loop.exec();
}

PacingClock SystemPacingClock()
{
    return {[] { return QTime::currentTime(); }, [](int ms) { RunEventLoopFor(ms); }, SteadyMilliseconds};
}

void PacingWait(int seconds, const PacingClock& clock)
{
    const auto elapsed = clock.elapsed ? clock.elapsed : std::function<std::int64_t()>(SteadyMilliseconds);
    const std::int64_t deadline = elapsed() + 1000 * (static_cast<std::int64_t>(std::max(seconds, 0)) + 1);
    const int target = (clock.now().second() + seconds) % 60;
    for (QTime now = clock.now(); now.second() != target; now = clock.now()) {
        const std::int64_t left = deadline - elapsed();
        if (left <= 0)
            break;
        // Sleep to just past the next second boundary, then look again.
        clock.sleep(static_cast<int>(std::min<std::int64_t>(1000 - now.msec() + 2, left)));
    }
}

void PacingWait(int seconds)
{
    static const PacingClock clock = SystemPacingClock();
    PacingWait(seconds, clock);
}

}  // namespace tessaro
