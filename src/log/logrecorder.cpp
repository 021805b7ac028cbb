#include "log/logrecorder.h"

namespace tessaro {

LogRecorder::LogRecorder(ProductionLog& log, QString station, QString operatorName)
    : m_log(log)
    , m_station(std::move(station))
    , m_operator(std::move(operatorName))
{
    m_retryTimer.setInterval(5000);
    QObject::connect(&m_retryTimer, &QTimer::timeout, [this] { retry(); });
}

LogRecorder::~LogRecorder() = default;

void LogRecorder::operationFinished(const LinkOperationReport& report)
{
    m_log.append(MakeLogRecord(report, m_station, m_operator));
    statusMayHaveChanged();
}

bool LogRecorder::retry()
{
    const bool done = m_log.flush();
    statusMayHaveChanged();
    return done;
}

void LogRecorder::statusMayHaveChanged()
{
    if (m_log.pendingCount() > 0) {
        if (!m_retryTimer.isActive())
            m_retryTimer.start();
    } else {
        m_retryTimer.stop();
    }
    const QString status = m_log.statusText();
    if (status == m_lastStatus)
        return;
    m_lastStatus = status;
    if (m_listener)
        m_listener(status);
}

}  // namespace tessaro
