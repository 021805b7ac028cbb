#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>

#include <sys/types.h>

namespace tessaro {

// The system calls a save makes once its temporary file is open. The real ones
// are used unless a test puts failing ones in place (a full disk, a failing
// flush, a rename that does not happen).
struct SaveSystemCalls {
    std::function<ssize_t(int fd, const char* data, std::size_t size)> write;
    std::function<int(int fd)> sync;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;
};

[[nodiscard]] SaveSystemCalls RealSaveSystemCalls();

// Replaces the system calls of every later save in this process until the
// returned guard is destroyed; for tests of the windows and commands that save.
class SaveSystemCallsOverride {
public:
    explicit SaveSystemCallsOverride(SaveSystemCalls calls);
    ~SaveSystemCallsOverride();
    SaveSystemCallsOverride(const SaveSystemCallsOverride&) = delete;
    SaveSystemCallsOverride& operator=(const SaveSystemCallsOverride&) = delete;

private:
    SaveSystemCalls m_previous;
};

// Writes data to path so that the file is either complete or as it was: the
// bytes go to a temporary file beside the target, every write and the final
// close are checked, the data is synced to the disk, and only then the
// temporary file is renamed over the target. A link is followed to the file
// it names. The target must pass CheckOutputFile (below): devices, FIFOs,
// sockets, folders, read-only and protected files are refused. On failure nothing is left behind
// and error holds one line naming the file and the system's reason.
[[nodiscard]] bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error);

// A file that no output may replace while the guard lives, whatever name the
// output gives it (a link, another hard link): the production log's database,
// the settings file. The refusal reads "cannot write "OUT": it is ROLE "PATH"".
class ProtectedFile
{
public:
    // role: what the file is, "the production log database".
    ProtectedFile(QString path, QString role);
    ~ProtectedFile();
    ProtectedFile(const ProtectedFile&) = delete;
    ProtectedFile& operator=(const ProtectedFile&) = delete;

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] const QString& role() const { return m_role; }

private:
    QString m_path;
    QString m_role;
};

// Whether path can be read as a file: it must exist and be a regular file (or
// a link to one). A FIFO or a device is refused at once, without opening it.
[[nodiscard]] bool CheckInputFile(const QString& path, QString* error);

// Whether path can be written: a regular file the user may write, or a name
// that does not exist yet (links followed), and no file under a ProtectedFile
// guard. Every write of WriteFileAtomically checks this first.
[[nodiscard]] bool CheckOutputFile(const QString& path, QString* error);

// Whether the two names are the same existing file (same device and inode).
[[nodiscard]] bool IsSameFile(const QString& first, const QString& second);

}  // namespace tessaro
