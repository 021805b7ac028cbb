#pragma once

#include "files/imageformat.h"

#include <string>

namespace tessaro {

// Text files and hex dumps larger than this are not read.
inline constexpr std::size_t kMaxTextFileSize = 4 * 1024 * 1024;

// Reads the image of a file in the given format (Auto detects it from the
// contents). Only regular files are read, never waiting on a FIFO or device.
// On failure error holds one line: "cannot open "PATH": reason" or
// ""PATH": reason".
// With ImageSizeRule::First256 the image is the first 256 bytes whatever its type.
[[nodiscard]] ImageRead ReadImageFile(const std::string& path, InputFormat format,
                                      ImageSizeRule rule = ImageSizeRule::ByType);

}  // namespace tessaro
