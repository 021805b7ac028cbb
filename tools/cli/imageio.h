#pragma once

#include "args.h"
#include "files/imageformat.h"
#include "files/spdformat.h"

#include <QString>

#include <optional>
#include <string>

namespace tessaro::cli {

// A file name argument as the system calls take it (bytes, not necessarily UTF-8).
[[nodiscard]] QString PathArg(const std::string& arg);

// The form a file is read in: --input-format when given, else by its name
// (text for a name ending in "spd", binary otherwise).
[[nodiscard]] std::optional<InputFormat> InputFormatOption(const Args& args);

[[nodiscard]] ImageRead ReadImage(const std::string& file, std::optional<InputFormat> format);

// An output that names the input file of a command that is not meant to
// rewrite it: refused, so that the input is never lost.
[[nodiscard]] bool RefuseOutputOverInput(const std::string& in, const std::string& out);

// Writes the image atomically; on failure the reason is on stderr.
[[nodiscard]] bool WriteImage(const std::string& file, const ImageData& image, SpdFormat format);

// What fix and convert wrote of a truncated image: the bytes read, none made up.
[[nodiscard]] std::string WrittenPart(const ImageData& image, const std::string& out);

}  // namespace tessaro::cli
