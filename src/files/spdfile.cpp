#include "files/spdfile.h"

#include "files/safefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro {

namespace {

constexpr int kTextLines = 16;
constexpr qint64 kKeptLineLength = 80;  // the reader looks at 48 characters of a line

// The first 16 lines of a text file, each cut to its first characters, so that
// a huge file costs no more than a small one.
QByteArray ReadTextHead(QFile& file)
{
    QByteArray head;
    for (int line = 0; line < kTextLines && !file.atEnd(); ++line) {
        QByteArray text = file.readLine(kKeptLineLength);
        if (!text.endsWith('\n')) {
            while (!file.atEnd()) {
                if (file.readLine(4096).endsWith('\n'))
                    break;
            }
            text.append('\n');
        }
        head += text;
    }
    return head;
}

}  // namespace

bool ReadSpdFile(const QString& path, SpdImage& image, QString* error)
{
    return ReadSpdFile(path, FormatForName(path.toStdString()), image, error);
}

bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error)
{
    return ReadSpdFile(path, format, image, error, nullptr);
}

bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error, qint64* bytesAfterImage)
{
    if (!CheckInputFile(path, error))
        return false;
    // Opened without blocking and checked again on the open file, so that a
    // FIFO put in its place after the check cannot hang the read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = QStringLiteral("cannot open \"%1\": %2").arg(path, fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("not a regular file"));
        return false;
    }
    QByteArray data;
    qint64 consumed = 0;
    if (format == SpdFormat::Text) {
        QFile file;
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            if (error)
                *error = QStringLiteral("cannot open \"%1\": %2").arg(path, file.errorString());
            return false;
        }
        data = ReadTextHead(file);
        if (file.error() != QFileDevice::NoError) {
            if (error)
                *error = QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
            return false;
        }
        consumed = file.pos();
    } else {
        // The image's bytes straight from the descriptor: one read for a
        // whole image, where a buffered file costs three more system calls.
        data.resize(kSpdSize);
        int readError = 0;
        while (consumed < kSpdSize) {
            const ssize_t count = ::read(fd, data.data() + consumed, static_cast<std::size_t>(kSpdSize - consumed));
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                readError = errno;
            if (count <= 0)
                break;
            consumed += count;
        }
        ::close(fd);
        if (readError != 0) {
            if (error)
                *error = QStringLiteral("cannot read \"%1\": %2").arg(path, QString::fromLocal8Bit(std::strerror(readError)));
            return false;
        }
        data.resize(consumed);
    }
    const ParsedImage parsed = ParseSpd(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), format);
    if (!parsed.ok()) {
        if (error)
            *error = QStringLiteral("\"%1\": %2").arg(path, QString::fromStdString(parsed.error));
        return false;
    }
    if (bytesAfterImage)
        *bytesAfterImage = std::max<qint64>(0, static_cast<qint64>(st.st_size) - consumed);
    image = parsed.image;
    return true;
}

bool WriteSpdFile(const QString& path, const SpdImage& image, SpdFormat format, QString* error)
{
    const std::string bytes = SpdFileBytes(image, format);
    return WriteFileAtomically(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), error);
}

}  // namespace tessaro
