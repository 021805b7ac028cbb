#include "files/filename.h"

#include "core/utf8.h"

#include <QDir>

#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace tessaro {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

bool IsEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString FileNameFromBytes(std::string_view bytes)
{
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t run = 0;  // start of the current run of valid UTF-8
    auto flush = [&](std::size_t end) {
        if (end > run)
            name += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(end - run));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n > 0) {
            i += n;
            continue;
        }
        flush(i);
        name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
        run = ++i;
    }
    flush(bytes.size());
    return name;
}

QByteArray FileNameBytes(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0;
    auto flush = [&](qsizetype end) {
        if (end > run)
            bytes += QStringView(name).mid(run, end - run).toUtf8();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        // A low surrogate after a high one is half of a pair, not an escape.
        const bool paired = i > 0 && QChar::isHighSurrogate(name.at(i - 1).unicode());
        if (IsEscapedByte(unit) && !paired) {
            flush(i);
            bytes += static_cast<char>(unit - kEscapeBase);
            run = i + 1;
        }
    }
    flush(name.size());
    return bytes;
}

std::string FileNameString(const QString& name)
{
    const QByteArray bytes = FileNameBytes(name);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString AbsoluteFileName(const QString& name)
{
    if (name.startsWith(u'/'))
        return QDir::cleanPath(name);
    std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    const QString base = folder ? FileNameFromBytes(folder.get()) : QStringLiteral(".");
    return QDir::cleanPath(base + u'/' + name);
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat first {};
    struct stat second {};
    if (::stat(FileNameBytes(a).constData(), &first) == 0 && ::stat(FileNameBytes(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return AbsoluteFileName(a) == AbsoluteFileName(b);
}

QString FileNameForDisplay(const QString& name)
{
    // As every UTF-8 reader (a file dialog among them) shows the bytes.
    return QString::fromUtf8(FileNameBytes(name));
}

QString ResolveDialogFileName(const QString& chosen)
{
    if (!chosen.contains(QChar(kReplacement)))
        return chosen;
    const qsizetype slash = chosen.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : chosen.left(slash);
    const QString base = chosen.mid(slash + 1);
    struct CloseListing {
        void operator()(DIR* listing) const { ::closedir(listing); }
    };
    const std::unique_ptr<DIR, CloseListing> listing(::opendir(FileNameBytes(folder).constData()));
    if (!listing)
        return chosen;
    QString found;
    int matches = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        const QString name = FileNameFromBytes(entry->d_name);
        if (FileNameForDisplay(name) == base) {
            found = name;
            ++matches;
        }
    }
    if (matches == 0)
        return chosen;
    return matches == 1 ? chosen.left(slash + 1) + found : QString();
}

}  // namespace tessaro
