#include "files/spdfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    // Qt would add a warning line of its own for an empty name.
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot open \"\": no file name given");
        return false;
    }
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        if (error)
            *error = QStringLiteral("cannot read \"%1\": it is a folder").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray data = format == SpdFormat::Text ? ReadTextHead(file) : file.read(kSpdSize);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    const ParsedImage parsed = ParseSpd(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), format);
    if (!parsed.ok()) {
        if (error)
            *error = QStringLiteral("\"%1\": %2").arg(path, QString::fromStdString(parsed.error));
        return false;
    }
    image = parsed.image;
    return true;
}

bool WriteSpdFile(const QString& path, const SpdImage& image, SpdFormat format, QString* error)
{
    const std::string bytes = SpdBytes(image, format);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

}  // namespace tessaro
