#pragma once

#include "document/spddocument.h"

#include <string>

namespace tessaro::cli {

// One JSON Lines record of a settled document (keys in contract order).
void AppendDecodeJson(std::string& out, const std::string& file, const SpdDocument& document);
void AppendDecodeErrorJson(std::string& out, const std::string& file, const std::string& error);

// The same facts as a readable listing.
void AppendDecodeListing(std::string& out, const std::string& file, const SpdDocument& document);

}  // namespace tessaro::cli
