#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace tessaro::test {

// tessaro-programmer-sim running on a pseudo-terminal for one test.
class SimProcess
{
public:
    // Starts the simulator with `args` (plus a frame log); false when it did
    // not print its device path.
    bool start(const QStringList& args);
    ~SimProcess();

    [[nodiscard]] const QString& device() const { return m_device; }
    // The frames received so far, one per entry, without their time stamps.
    [[nodiscard]] std::vector<std::string> frames() const;
    // Stops it (SIGTERM) and returns what it printed after the device path.
    std::string stop();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
};

}  // namespace tessaro::test
