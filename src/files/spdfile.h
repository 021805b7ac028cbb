#pragma once

#include "core/spdimage.h"
#include "files/spdformat.h"

#include <QString>

#include <cstdint>
#include <span>

namespace tessaro {

// Reads the image of a file in the format its name calls for. On failure the
// image is left untouched and error holds a one-line reason.
[[nodiscard]] bool ReadSpdFile(const QString& path, SpdImage& image, QString* error);
[[nodiscard]] bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error);
// Also tells how many bytes of the file follow what the image was read from
// (a rewrite in place drops them).
[[nodiscard]] bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error,
                               qint64* bytesAfterImage);

// Writes the image atomically (see WriteFileAtomically): the old file stays
// intact until the new one is complete and on the disk, and a failed write
// leaves no partial file behind.
[[nodiscard]] bool WriteSpdFile(const QString& path, const SpdImage& image, SpdFormat format, QString* error);
// The same for an image of any size (256, 512 or 1024 bytes, or what is there
// of a truncated one).
[[nodiscard]] bool WriteImageFile(const QString& path, std::span<const std::uint8_t> bytes, SpdFormat format,
                                  QString* error);

}  // namespace tessaro
