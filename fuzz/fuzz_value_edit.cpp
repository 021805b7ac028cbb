// Setting values by their meaning on any bytes: the input is one edit line
// ("NAME=VALUE", "P2:NAME=VALUE" for a profile, "+KIND:FROM" to add a profile,
// "-2" to remove one), a newline, and the image (256, 512 or 1024 bytes, cut or
// padded with zeros). A refused edit leaves the image as it was; an accepted
// one changes no byte outside the spans it reports.
#include "decode/valueedit.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

int Number(std::string_view text)
{
    int value = 0;
    for (char c : text.substr(0, 3))
        value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos)
        return 0;
    const std::string_view line = input.substr(0, newline);
    const std::string_view rest = input.substr(newline + 1);
    const std::size_t imageSize = rest.size() >= 1024 ? 1024 : rest.size() >= 512 ? 512 : 256;
    std::vector<std::uint8_t> image(imageSize, 0);
    std::copy_n(rest.begin(), std::min(rest.size(), imageSize), image.begin());
    const std::vector<std::uint8_t> before = image;

    (void)EditableFields(image);
    EditOutcome outcome;
    if (!line.empty() && line.front() == '+') {
        const std::string_view spec = line.substr(1);
        const std::size_t colon = spec.find(':');
        outcome = AddProfile(image, spec.substr(0, colon),
                             colon == std::string_view::npos ? std::string_view("jedec") : spec.substr(colon + 1));
    } else if (!line.empty() && line.front() == '-') {
        outcome = RemoveProfile(image, Number(line.substr(1)));
    } else {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return 0;
        std::string_view name = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        const std::size_t colon = name.find(':');
        if (!name.empty() && name.front() == 'P' && colon != std::string_view::npos) {
            const int position = Number(name.substr(1, colon - 1));
            (void)ProfileFields(image, position);
            outcome = SetProfileField(image, position, name.substr(colon + 1), value);
        } else {
            outcome = SetField(image, name, value);
        }
    }

    Check(image.size() == before.size());
    if (!outcome.ok()) {
        Check(image == before);
        Check(outcome.error.find('\n') == std::string::npos);
        return 0;
    }
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (image[i] == before[i])
            continue;
        const int index = static_cast<int>(i);
        Check(std::any_of(outcome.changed.begin(), outcome.changed.end(),
                          [index](const ByteSpan& span) { return span.first <= index && index <= span.last; }));
    }
    (void)EditableFields(image);
    return 0;
}
