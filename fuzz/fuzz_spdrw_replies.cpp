// What the SPD reader/writer sends, split into frames and alerts as the driver
// reads it: any bytes, in any chunks, give frames whose body is 1-32 bytes and
// frames again to the same bytes, alerts, or one-line errors — never a crash.
#include "device/spdrwprotocol.h"

#include <algorithm>
#include <cstdlib>
#include <span>

namespace {
void Check(bool condition)
{
    if (!condition)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro::spdrw;
    if (size == 0)
        return 0;
    // The first byte sets the chunk size, so frames arrive cut at every place.
    const std::size_t chunk = 1 + data[0] % 40;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);
    ReplyReader reader;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        reader.append(stream.subspan(at, std::min(chunk, stream.size() - at)));
        while (const auto event = reader.next()) {
            switch (event->kind) {
            case ReplyReader::Event::Kind::Frame: {
                Check(!event->body.empty() && event->body.size() <= 32);
                const Bytes framed = Frame(event->body);
                Check(framed.size() == event->body.size() + 3);
                (void)VersionOf(event->body);
                break;
            }
            case ReplyReader::Event::Kind::Alert:
                Check(AlertText(event->alert) != nullptr);
                break;
            case ReplyReader::Event::Kind::Error:
                Check(!event->error.empty() && event->error.find('\n') == std::string::npos);
                Check(reader.empty());
                break;
            }
        }
    }
    (void)DifferingPages(stream, stream);
    return 0;
}
