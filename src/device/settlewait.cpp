#include "device/settlewait.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace tessaro {

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

SettleClock SystemSettleClock()
{
    return {[] { return QTime::currentTime(); }, [](int ms) { RunEventLoopFor(ms); }};
}

void SettleWait(int seconds, const SettleClock& clock)
{
    const int target = (clock.now().second() + seconds) % 60;
    for (QTime now = clock.now(); now.second() != target; now = clock.now()) {
        // Sleep to just past the next second boundary, then look again.
        clock.sleep(1000 - now.msec() + 2);
    }
}

void SettleWait(int seconds)
{
    static const SettleClock clock = SystemSettleClock();
    SettleWait(seconds, clock);
}

}  // namespace tessaro
