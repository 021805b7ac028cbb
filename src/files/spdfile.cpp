#include "files/spdfile.h"

#include "files/filename.h"
#include "files/imagefile.h"
#include "files/safefile.h"


#include <algorithm>

namespace tessaro {

bool ReadSpdFile(const QString& path, SpdImage& image, QString* error)
{
    return ReadSpdFile(path, FormatForName(FileNameString(path)), image, error);
}

bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error)
{
    return ReadSpdFile(path, format, image, error, nullptr);
}

bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error, qint64* bytesAfterImage)
{
    // The reader of images of every size, taking the first 256 bytes.
    const ImageRead read = ReadImageFile(FileNameString(path),
                                         format == SpdFormat::Text ? InputFormat::Text : InputFormat::Binary,
                                         ImageSizeRule::First256);
    if (!read.ok()) {
        if (error)
            *error = QString::fromStdString(read.error);
        return false;
    }
    std::copy_n(read.image.bytes.begin(), kSpdSize, image.begin());
    if (bytesAfterImage)
        *bytesAfterImage = static_cast<qint64>(read.bytesAfterImage);
    return true;
}

bool WriteSpdFile(const QString& path, const SpdImage& image, SpdFormat format, QString* error)
{
    return WriteImageFile(path, image, format, error);
}

bool WriteImageFile(const QString& path, std::span<const std::uint8_t> bytes, SpdFormat format, QString* error)
{
    const std::string data = format == SpdFormat::Text ? ImageTextBytes(bytes) : ImageBinaryBytes(bytes);
    return WriteFileAtomically(path, QByteArray(data.data(), static_cast<qsizetype>(data.size())), error);
}

}  // namespace tessaro
