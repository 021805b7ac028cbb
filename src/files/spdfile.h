#pragma once

#include "core/spdimage.h"
#include "files/spdformat.h"

#include <QString>

namespace tessaro {

// Reads the image of a file in the format its name calls for. On failure the
// image is left untouched and error holds a one-line reason.
[[nodiscard]] bool ReadSpdFile(const QString& path, SpdImage& image, QString* error);
[[nodiscard]] bool ReadSpdFile(const QString& path, SpdFormat format, SpdImage& image, QString* error);

// Writes the image atomically: the old file stays intact until the new one is
// complete, and a failed write leaves no partial file behind.
[[nodiscard]] bool WriteSpdFile(const QString& path, const SpdImage& image, SpdFormat format, QString* error);

}  // namespace tessaro
