#pragma once

#include "device/linkrecorder.h"
#include "log/productionlog.h"

#include <QString>
#include <QTimer>

#include <functional>

namespace tessaro {

// Writes every finished link operation into the production log. Records that
// cannot be written now wait in the log and are tried again every few seconds
// (and with every later record); the status listener hears the log's status
// text whenever it changes.
class LogRecorder final : public LinkRecorder
{
public:
    // `operatorName` goes into every record (OperatorNameFromSettings()).
    LogRecorder(ProductionLog& log, QString station, QString operatorName = OperatorName());
    ~LogRecorder() override;

    void operationFinished(const LinkOperationReport& report) override;

    void setStatusListener(std::function<void(const QString&)> listener) { m_listener = std::move(listener); }
    [[nodiscard]] ProductionLog& log() { return m_log; }
    [[nodiscard]] const QString& station() const { return m_station; }
    [[nodiscard]] const QString& operatorName() const { return m_operator; }
    // Tries the waiting records once more; true when none waits.
    bool retry();
    [[nodiscard]] QTimer& retryTimer() { return m_retryTimer; }

private:
    void statusMayHaveChanged();

    ProductionLog& m_log;
    QString m_station;
    QString m_operator;
    QTimer m_retryTimer;
    QString m_lastStatus;
    std::function<void(const QString&)> m_listener;
};

}  // namespace tessaro
