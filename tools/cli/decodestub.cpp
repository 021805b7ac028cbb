// Stand-in for the decode writers of every image size until they land in decodeoutput.cpp.
#include "decodestub.h"
#include "decodeoutput.h"
#include "decode/decodejson.h"
#include "document/settle.h"

#include <algorithm>

namespace tessaro::cli {

void AppendDecodeJsonMembers(std::string& out, const std::string& file, const ImageData& image)
{
    std::string object;
    if (image.size == kSpdSize) {
        SpdImage spd{};
        std::copy_n(image.bytes.begin(), kSpdSize, spd.begin());
        DecodeContext context;
        SpdDocument document(context, file);
        OpenAndSettle(document, spd);
        AppendDecodeJson(object, file, document);
    } else {
        tessaro::AppendDecodeJson(object, file, DecodeModule(image.bytes));
    }
    while (!object.empty() && object.back() == '\n')
        object.pop_back();
    out += object.substr(1, object.size() - 2);
}

}  // namespace tessaro::cli
