#pragma once

#include <string>
#include <string_view>

namespace tessaro::cli {

// Appends text as a JSON string literal (quotes included); control characters
// are escaped, invalid UTF-8 becomes U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace tessaro::cli
