#pragma once

#include "files/imageformat.h"

#include <string>

namespace tessaro::cli {

// The members of a decode --json object of an image of any size, "file" to its last key, no braces.
void AppendDecodeJsonMembers(std::string& out, const std::string& file, const ImageData& image);

}  // namespace tessaro::cli
