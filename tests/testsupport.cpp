#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessaro::test {

std::string CorpusDir()
{
    // TESSARO_CORPUS_DIR in the environment names another corpus (or none, to
    // see which tests run without it).
    if (const char* dir = std::getenv("TESSARO_CORPUS_DIR"))
        return dir;
    return TESSARO_CORPUS_DIR;
}

std::vector<std::string> CorpusImages()
{
    std::vector<std::string> files;
    for (const char* generation : {"sdr", "ddr", "ddr2", "ddr3"}) {
        const std::filesystem::path dir = std::filesystem::path(CorpusDir()) / generation;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.is_regular_file())
                files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

SpdImage CountingImage()
{
    SpdImage image{};
    for (int i = 0; i < kSpdSize; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return image;
}

namespace {
CommandResult Finish(QProcess& process)
{
    process.waitForFinished(120000);
    CommandResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}
}  // namespace

CommandResult RunCli(const std::vector<std::string>& args)
{
    QProcess process;
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    // The command line's settings and production log stay out of the user's own.
    static QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TESSARO_CLI), list);
    return Finish(process);
}

CommandResult RunShell(const std::string& command)
{
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromStdString(command)});
    return Finish(process);
}

}  // namespace tessaro::test
