#pragma once

#include "document/spddocument.h"
#include "files/imageformat.h"

#include <string>

namespace tessaro::cli {

// The members of the decode JSON object of an image of any size, from "file"
// to the last key, without the braces: for a 256-byte image what a settled
// document window shows, then its profiles and summary; for 512 and 1024 bytes
// the module decode.
void AppendDecodeJsonMembers(std::string& out, const std::string& file, const ImageData& image);
// The whole object as one JSON Lines record.
void AppendDecodeJson(std::string& out, const std::string& file, const ImageData& image);
void AppendDecodeErrorJson(std::string& out, const std::string& file, const std::string& error);

// The same facts as a readable listing: the file, the module summary line, the rest.
void AppendDecodeText(std::string& out, const std::string& file, const ImageData& image);

}  // namespace tessaro::cli
