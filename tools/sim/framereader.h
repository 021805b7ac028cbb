#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro::sim {

// One frame as it arrived on the line: the bytes before the 7Fh that ended it.
struct Frame {
    std::string text;        // without the 10h and the 7Fh
    bool linkByte = false;   // the frame ended with 10h 7Fh (every command but the "s" query)
    bool cutOff = false;     // noise given up without any 7Fh
};

// The device's receive side: collects the bytes that arrive, in whatever
// pieces, and hands out one frame per 7Fh. Anything that is not a command
// (line noise, a cut-off frame) ends up in a frame of its own and is rejected
// by the device, so the line is back in step at the next 7Fh.
class FrameReader
{
public:
    // A run this long without a 7Fh is noise; it is dropped as one frame.
    static constexpr std::size_t kMaxFrameLength = 1024;

    void append(std::string_view bytes);
    // The next complete frame, if one has arrived.
    [[nodiscard]] std::optional<Frame> next();
    [[nodiscard]] std::size_t buffered() const { return m_buffer.size() - m_consumed; }

private:
    std::string m_buffer;
    std::size_t m_consumed = 0;
};

// The bytes of a frame as the log shows them: printable characters as they
// are, every other byte as <HH>; a download row has a space after "w0".
[[nodiscard]] std::string FrameForLog(const Frame& frame);

}  // namespace tessaro::sim
