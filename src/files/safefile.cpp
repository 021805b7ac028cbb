#include "files/safefile.h"

#include "files/filename.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro {

namespace {

SaveSystemCalls& CurrentCalls()
{
    static SaveSystemCalls calls = RealSaveSystemCalls();
    return calls;
}

QString SystemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool Fail(QString* error, const char* verb, const QString& path, const QString& reason)
{
    if (error)
        *error = QStringLiteral("cannot %1 \"%2\": %3").arg(QLatin1String(verb), path, reason);
    return false;
}

QString KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("not a regular file");
}

// The file a name stands for once links are followed: the name itself when it
// is not a link; empty with errno set when a link leads nowhere.
std::string ResolveLinks(const std::string& name)
{
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return name;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr), &std::free);
    if (!real)
        return {};
    return real.get();
}

std::string DirectoryOf(const std::string& file)
{
    const auto slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return file.substr(0, slash);
}

mode_t NewFileMode()
{
    // The process's umask can only be read by setting it; put it back at once.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Creates an empty temporary file beside target; returns its descriptor or -1.
// Its name is short (".tessaro-" and six letters or digits), so that a
// target whose name is near the system's limit can still be saved.
int CreateTemporary(const std::string& target, std::string& name)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string stem = DirectoryOf(target) + "/.tessaro-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem;
        for (int k = 0; k < 6; ++k)
            name += kLetters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kLetters - 1))];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The files no output may replace now, and the guard of each.
struct ProtectedFiles {
    std::mutex lock;
    std::vector<const ProtectedFile*> files;
};

ProtectedFiles& Protected()
{
    static ProtectedFiles protectedFiles;
    return protectedFiles;
}

// The reason the existing file st may not be replaced, or an empty text.
QString ProtectionOf(const struct stat& target)
{
    ProtectedFiles& all = Protected();
    const std::lock_guard<std::mutex> hold(all.lock);
    for (const ProtectedFile* file : all.files) {
        struct stat st {};
        if (::stat(FileNameBytes(file->path()).constData(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return QStringLiteral("it is %1 \"%2\"").arg(file->role(), file->path());
    }
    return {};
}

void SyncDirectory(const std::string& directory)
{
    // Makes the rename itself durable; a file system that cannot sync a
    // folder has still done the rename, so a failure here is not a failed save.
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

SaveSystemCalls RealSaveSystemCalls()
{
    return {
        [](int fd, const char* data, std::size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](int fd) { return ::close(fd); },
        [](const char* from, const char* to) { return ::rename(from, to); },
    };
}

SaveSystemCallsOverride::SaveSystemCallsOverride(SaveSystemCalls calls) : m_previous(CurrentCalls())
{
    CurrentCalls() = std::move(calls);
}

SaveSystemCallsOverride::~SaveSystemCallsOverride()
{
    CurrentCalls() = std::move(m_previous);
}

ProtectedFile::ProtectedFile(QString path, QString role) : m_path(std::move(path)), m_role(std::move(role))
{
    ProtectedFiles& all = Protected();
    const std::lock_guard<std::mutex> hold(all.lock);
    all.files.push_back(this);
}

ProtectedFile::~ProtectedFile()
{
    ProtectedFiles& all = Protected();
    const std::lock_guard<std::mutex> hold(all.lock);
    std::erase(all.files, this);
}

bool CheckInputFile(const QString& path, QString* error)
{
    if (path.isEmpty())
        return Fail(error, "open", path, QStringLiteral("no file name given"));
    struct stat st {};
    if (::stat(FileNameBytes(path).constData(), &st) != 0)
        return Fail(error, "open", path, SystemReason(errno));
    if (!S_ISREG(st.st_mode))
        return Fail(error, "read", path, KindOf(st.st_mode));
    return true;
}

bool CheckOutputFile(const QString& path, QString* error)
{
    if (path.isEmpty())
        return Fail(error, "write", path, QStringLiteral("no file name given"));
    const std::string name = FileNameBytes(path).toStdString();
    const std::string target = ResolveLinks(name);
    if (target.empty())
        return Fail(error, "write", path, QStringLiteral("it is a link to a file that does not exist"));
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Fail(error, "write", path, KindOf(st.st_mode));
        if (const QString protection = ProtectionOf(st); !protection.isEmpty())
            return Fail(error, "write", path, protection);
        // A file the user may not write is not replaced, although the rename
        // of a new file over it would succeed in a folder the user may write.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(error, "write", path, SystemReason(errno));
    } else if (errno != ENOENT) {
        return Fail(error, "write", path, SystemReason(errno));
    }
    return true;
}

bool IsSameFile(const QString& first, const QString& second)
{
    struct stat a {};
    struct stat b {};
    return ::stat(FileNameBytes(first).constData(), &a) == 0 &&
           ::stat(FileNameBytes(second).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    if (!CheckOutputFile(path, error))
        return false;
    const std::string target = ResolveLinks(FileNameBytes(path).toStdString());

    // A file that is replaced keeps its permissions; a new one gets the usual
    // ones of the process (0666 less the umask).
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();

    std::string temporary;
    int fd = CreateTemporary(target, temporary);
    if (fd < 0)
        return Fail(error, "write", path, SystemReason(errno));

    const SaveSystemCalls& calls = CurrentCalls();
    auto abandon = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        return Fail(error, "write", path, SystemReason(code));
    };

    if (::fchmod(fd, mode) != 0)
        return abandon(errno);
    const char* next = data.constData();
    std::size_t left = static_cast<std::size_t>(data.size());
    while (left > 0) {
        const ssize_t written = calls.write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno);
        }
        if (written == 0)
            return abandon(EIO);
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    if (calls.sync(fd) != 0)
        return abandon(errno);
    const int closed = calls.close(fd);
    fd = -1;  // closed even when close reports an error
    if (closed != 0)
        return abandon(errno);
    if (calls.rename(temporary.c_str(), target.c_str()) != 0)
        return abandon(errno);
    SyncDirectory(DirectoryOf(target));
    return true;
}

}  // namespace tessaro
