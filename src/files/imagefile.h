#pragma once

#include "files/imageformat.h"
#include "files/regularfile.h"

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

// ReadImageFile in its two steps, for a caller that tries more than one size
// rule on one read of the file: the contents the format needs (a binary image
// no more than its largest size, the other forms whole up to the limit), then
// the image made of them, with the errors ReadImageFile gives.
[[nodiscard]] FileContents ReadImageFileContents(const std::string& path, InputFormat format);
[[nodiscard]] ImageRead ImageFromFileContents(const FileContents& file, const std::string& path, InputFormat format,
                                              ImageSizeRule rule = ImageSizeRule::ByType);

}  // namespace tessaro
