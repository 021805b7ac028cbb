#include "jsonwriter.h"

#include "decode/decodejson.h"

namespace tessaro::cli {

void AppendJsonString(std::string& out, std::string_view text)
{
    AppendJsonText(out, text);
}

}  // namespace tessaro::cli
