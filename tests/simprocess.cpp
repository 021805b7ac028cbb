#include "simprocess.h"

#include <QFile>

namespace tessaro::test {

bool SimProcess::start(const QStringList& args)
{
    m_process.setProgram(QStringLiteral(TESSARO_SIM));
    m_process.setArguments(QStringList(args) << QStringLiteral("--log") << m_dir.filePath(QStringLiteral("frames.log")));
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000))
            return false;
    }
    m_device = QString::fromUtf8(m_process.readLine()).trimmed();
    return !m_device.isEmpty();
}

SimProcess::~SimProcess()
{
    stop();
}

std::vector<std::string> SimProcess::frames() const
{
    std::vector<std::string> frames;
    QFile log(m_dir.filePath(QStringLiteral("frames.log")));
    if (!log.open(QIODevice::ReadOnly))
        return frames;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0 && !line.mid(space + 1).startsWith("--"))
            frames.push_back(line.mid(space + 1).toStdString());
    }
    return frames;
}

std::string SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return {};
    m_process.terminate();
    m_process.waitForFinished(5000);
    return m_process.readAllStandardOutput().toStdString();
}

}  // namespace tessaro::test
