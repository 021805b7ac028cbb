#include "files/regularfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro {

namespace {

std::string KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "it is a folder";
    if (S_ISFIFO(mode))
        return "it is a FIFO, not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    return "it is not a regular file";
}

FileContents Failed(const char* verb, const std::string& path, const std::string& reason)
{
    FileContents result;
    result.error = std::string("cannot ") + verb + " \"" + path + "\": " + reason;
    return result;
}

}  // namespace

FileContents ReadRegularFile(const std::string& path, std::size_t maxBytes)
{
    if (path.empty())
        return Failed("open", path, "no file name given");
    // Looked at before it is opened: opening a serial device raises its modem
    // lines, and a FIFO must not be waited on. Should the path change between
    // this look and the open, the read still cannot hang (the file is opened
    // without blocking) nor run on (it stops after maxBytes).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Failed("open", path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Failed("read", path, KindOf(st.st_mode));
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Failed("open", path, std::strerror(errno));
    FileContents result;
    result.fileSize = static_cast<std::uint64_t>(st.st_size);
    // Kernel attribute files report a size of their own, so read until the end
    // rather than trusting it; the buffer starts at the size given and grows.
    const auto sizeHint = static_cast<std::size_t>(st.st_size) + 1;
    result.data.resize(std::min(maxBytes, std::max<std::size_t>(sizeHint, 4096)));
    std::size_t got = 0;
    while (got < maxBytes) {
        if (got == result.data.size())
            result.data.resize(std::min(maxBytes, 2 * result.data.size()));
        const ssize_t n = ::read(fd, result.data.data() + got, result.data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;  // a FIFO put in its place: nothing more to read
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return Failed("read", path, std::strerror(code));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
        // A file whose size is known needs no read that only finds its end;
        // kernel files that give no size (or a wrong one) are read to the end.
        if (st.st_size > 0 && got == static_cast<std::size_t>(st.st_size))
            break;
    }
    ::close(fd);
    result.data.resize(got);
    return result;
}

}  // namespace tessaro
