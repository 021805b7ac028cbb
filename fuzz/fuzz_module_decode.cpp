// The decoders of images of any size: the data as it came and also padded or
// cut to each image size. Fixing the CRCs of a copy must leave every block
// reading right, and a JSON record must stay on one line.
#include "decode/decodejson.h"
#include "decode/moduledecode.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Exercise(std::span<const std::uint8_t> data)
{
    using namespace tessaro;
    const ModuleDecode decode = DecodeModule(data);
    (void)OverclockProfiles(data);

    std::string json;
    AppendDecodeJson(json, "fuzz.bin", decode);
    if (json.empty() || json.find('\n') != std::string::npos)
        std::abort();
    std::string profiles;
    AppendProfilesJson(profiles, decode.profiles);
    std::string summary;
    AppendSummaryJson(summary, decode.summary);
    if (profiles.find('\n') != std::string::npos || summary.find('\n') != std::string::npos)
        std::abort();
    (void)DecodeListing(decode);
    (void)decode.summary.line();

    std::vector<std::uint8_t> copy(data.begin(), data.end());
    const auto before = CrcBlocks(copy);
    const auto fixed = FixCrcBlocks(copy);
    if (fixed.size() != before.size())
        std::abort();
    const auto after = CrcBlocks(copy);
    if (after.size() != before.size())
        std::abort();
    for (const auto& block : after)
        if (!block.ok())
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    Exercise(bytes);
    for (const std::size_t length : {std::size_t{256}, std::size_t{512}, std::size_t{1024}}) {
        if (length == size)
            continue;
        std::vector<std::uint8_t> sized(length, 0);
        std::copy_n(bytes.begin(), std::min(size, length), sized.begin());
        Exercise(sized);
    }
    return 0;
}
