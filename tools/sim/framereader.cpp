#include "framereader.h"

#include "core/hex.h"

namespace tessaro::sim {

namespace {
constexpr char kLinkByte = '\x10';
constexpr char kFrameEnd = '\x7F';
}  // namespace

void FrameReader::append(std::string_view bytes)
{
    if (m_consumed > 0 && m_consumed == m_buffer.size()) {
        m_buffer.clear();
        m_consumed = 0;
    }
    m_buffer.append(bytes);
}

std::optional<Frame> FrameReader::next()
{
    const std::string_view pending = std::string_view(m_buffer).substr(m_consumed);
    const std::size_t end = pending.find(kFrameEnd);
    if (end == std::string_view::npos) {
        if (pending.size() < kMaxFrameLength)
            return std::nullopt;
        // Noise without any frame end: give it up as one (rejected) frame.
        Frame noise{std::string(pending), false, true};
        m_buffer.clear();
        m_consumed = 0;
        return noise;
    }
    Frame frame;
    std::string_view text = pending.substr(0, end);
    if (!text.empty() && text.back() == kLinkByte) {
        frame.linkByte = true;
        text.remove_suffix(1);
    }
    frame.text = std::string(text);
    m_consumed += end + 1;
    if (m_consumed == m_buffer.size()) {
        m_buffer.clear();
        m_consumed = 0;
    }
    return frame;
}

std::string FrameForLog(const Frame& frame)
{
    std::string out;
    const bool row = frame.linkByte && frame.text.size() == 34 && frame.text[0] == 'w';
    for (std::size_t i = 0; i < frame.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(frame.text[i]);
        if (row && i == 2)
            out += ' ';
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += '<';
            AppendHex(out, c);
            out += '>';
        }
    }
    if (frame.linkByte)
        out += "<10>";
    if (!frame.cutOff)
        out += "<7F>";
    return out;
}

}  // namespace tessaro::sim
