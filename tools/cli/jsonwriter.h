#pragma once

#include <string>
#include <string_view>

namespace tessaro::cli {

// Appends text as a JSON string literal (quotes included); control characters
// (C0, DEL and the C1 controls U+0080-U+009F) and the separators U+2028 and
// U+2029 are escaped, so that a record never spans lines for any reader;
// invalid UTF-8 becomes U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace tessaro::cli
