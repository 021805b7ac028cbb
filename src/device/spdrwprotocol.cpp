#include "device/spdrwprotocol.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tessaro::spdrw {

bool IsAlertCode(std::uint8_t code)
{
    return code == '+' || code == '-' || code == '/' || code == '\\';
}

const char* AlertText(Alert alert)
{
    switch (alert) {
    case Alert::MoreDevices: return "a module was inserted";
    case Alert::FewerDevices: return "a module was removed";
    case Alert::ClockRaised: return "the bus clock was raised to 400 kHz";
    case Alert::ClockLowered: return "the bus clock was lowered to 100 kHz";
    }
    return "unknown alert";
}

Bytes Request(Opcode op, std::initializer_list<std::uint8_t> arguments)
{
    Bytes bytes;
    bytes.reserve(1 + arguments.size());
    bytes.push_back(static_cast<std::uint8_t>(op));
    for (std::uint8_t argument : arguments)
        bytes.push_back(argument);
    return bytes;
}

Bytes ReadRequest(std::uint8_t address, int offset, int length)
{
    return Request(Opcode::ReadByte, {address, static_cast<std::uint8_t>(offset >> 8),
                                      static_cast<std::uint8_t>(offset & 0xFF), static_cast<std::uint8_t>(length)});
}

Bytes WritePageRequest(std::uint8_t address, int offset, std::span<const std::uint8_t> data)
{
    Bytes bytes = Request(Opcode::WritePage, {address, static_cast<std::uint8_t>(offset >> 8),
                                              static_cast<std::uint8_t>(offset & 0xFF),
                                              static_cast<std::uint8_t>(data.size())});
    for (std::uint8_t b : data)
        bytes.push_back(b);
    return bytes;
}

Bytes NameGetRequest()
{
    return Request(Opcode::Name, {kGet});
}

std::optional<int> ArgumentCount(std::uint8_t opcode, std::span<const std::uint8_t> received)
{
    switch (static_cast<Opcode>(opcode)) {
    case Opcode::ReadByte:
    case Opcode::WriteByte: return 4;
    case Opcode::WritePage:
        return received.size() < 4 ? 4 : 4 + received[3];
    case Opcode::WriteTest:
    case Opcode::Rswp: return 3;
    case Opcode::Ddr4Detect:
    case Opcode::Ddr5Detect:
    case Opcode::Size:
    case Opcode::BusClock:
    case Opcode::ProbeAddress: return 1;
    case Opcode::Spd5HubReg:
        return received.size() < 3 ? 3 : (received[2] == kSet ? 4 : 3);
    case Opcode::PinControl:
    case Opcode::Pswp: return 2;
    case Opcode::ScanBus:
    case Opcode::PinReset:
    case Opcode::RswpReport:
    case Opcode::Version:
    case Opcode::Test:
    case Opcode::FactoryReset: return 0;
    case Opcode::Name:
        if (received.empty())
            return 1;
        return received[0] >= 1 && received[0] <= kMaxNameLength ? 1 + received[0] : 1;
    }
    return std::nullopt;
}

std::uint8_t BodySum(std::span<const std::uint8_t> body)
{
    unsigned sum = 0;
    for (std::uint8_t b : body)
        sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

Bytes Frame(std::span<const std::uint8_t> body)
{
    Bytes bytes;
    bytes.reserve(body.size() + 3);
    bytes.push_back(kFrameStart);
    bytes.push_back(static_cast<std::uint8_t>(body.size()));
    for (std::uint8_t b : body)
        bytes.push_back(b);
    bytes.push_back(BodySum(body));
    return bytes;
}

Bytes AlertBytes(Alert alert)
{
    return {kAlertStart, static_cast<std::uint8_t>(alert)};
}

Bytes ReadyFrame()
{
    const std::uint8_t one = 0x01;
    return Frame(std::span(&one, 1));
}

namespace {

std::string Hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02Xh", value & 0xFFu);
    return text;
}

}  // namespace

void ReplyReader::append(std::span<const std::uint8_t> bytes)
{
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

void ReplyReader::append(const std::string& bytes)
{
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<ReplyReader::Event> ReplyReader::next()
{
    if (m_buffer.empty())
        return std::nullopt;
    Event event;
    const std::uint8_t first = m_buffer[0];
    const auto fail = [&](std::string text) {
        m_buffer.clear();
        event.kind = Event::Kind::Error;
        event.error = std::move(text);
        return event;
    };
    if (first == kAlertStart) {
        if (m_buffer.size() < 2)
            return std::nullopt;
        if (!IsAlertCode(m_buffer[1]))
            return fail("an alert with the unknown code " + Hex(m_buffer[1]));
        event.kind = Event::Kind::Alert;
        event.alert = static_cast<Alert>(m_buffer[1]);
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + 2);
        return event;
    }
    if (first != kFrameStart)
        return fail("a reply that starts with " + Hex(first) + " instead of 26h");
    if (m_buffer.size() < 2)
        return std::nullopt;
    const int length = m_buffer[1];
    if (length < 1 || length > kMaxReadLength)
        return fail("a reply of length " + std::to_string(length) + " (1-32 allowed)");
    const std::size_t whole = 3 + static_cast<std::size_t>(length);
    if (m_buffer.size() < whole)
        return std::nullopt;
    const auto body = std::span(m_buffer).subspan(2, static_cast<std::size_t>(length));
    const std::uint8_t sum = m_buffer[whole - 1];
    if (BodySum(body) != sum)
        return fail("a reply whose check byte is " + Hex(sum) + " but whose bytes sum to " + Hex(BodySum(body)));
    event.kind = Event::Kind::Frame;
    event.body.assign(body.begin(), body.end());
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(whole));
    return event;
}

std::optional<std::uint32_t> VersionOf(std::span<const std::uint8_t> body)
{
    if (body.size() != 4)
        return std::nullopt;
    return static_cast<std::uint32_t>(body[0]) | static_cast<std::uint32_t>(body[1]) << 8 |
           static_cast<std::uint32_t>(body[2]) << 16 | static_cast<std::uint32_t>(body[3]) << 24;
}

FirmwareFound CheckVersion(std::uint32_t version)
{
    return {version >= kOldestVersion ? FirmwareFound::Kind::Current : FirmwareFound::Kind::TooOld,
            std::to_string(version)};
}

FirmwareFound ClassifyOlderFirmware(const std::optional<Bytes>& versionLetterReply, const std::optional<Bytes>& pingReply)
{
    if (versionLetterReply && !versionLetterReply->empty()) {
        const Bytes& reply = *versionLetterReply;
        ReplyReader reader;
        reader.append(reply);
        if (const auto event = reader.next(); event && event->kind == ReplyReader::Event::Kind::Frame) {
            const auto version = VersionOf(event->body);
            return {FirmwareFound::Kind::Generation3, version ? std::to_string(*version) : std::string()};
        }
        std::string digits;
        for (std::uint8_t b : reply)
            if (std::isdigit(b))
                digits += static_cast<char>(b);
        return {FirmwareFound::Kind::Unframed, digits};
    }
    if (pingReply && !pingReply->empty() && pingReply->front() == '!')
        return {FirmwareFound::Kind::Development, {}};
    return {FirmwareFound::Kind::Nothing, {}};
}

std::string FirmwareMessage(const FirmwareFound& found)
{
    const std::string needed = "firmware " + std::to_string(kOldestVersion) + " or later is needed";
    switch (found.kind) {
    case FirmwareFound::Kind::Current: return "firmware " + found.version;
    case FirmwareFound::Kind::TooOld:
        return "the reader/writer runs firmware " + found.version + ", which is too old; " + needed;
    case FirmwareFound::Kind::Generation3:
        return "the reader/writer runs firmware " + (found.version.empty() ? std::string("?") : found.version) +
               " of the older protocol with letter commands; " + needed;
    case FirmwareFound::Kind::Unframed:
        return "the reader/writer runs firmware " + (found.version.empty() ? std::string("?") : found.version) +
               " of an older protocol with unframed replies; " + needed;
    case FirmwareFound::Kind::Development:
        return "the reader/writer runs an unreleased development firmware with other command numbers; " + needed;
    case FirmwareFound::Kind::Nothing: break;
    }
    return "the device does not answer the communication test: is it the SPD reader/writer, with its firmware "
           "running?";
}

std::vector<int> DifferingPages(std::span<const std::uint8_t> current, std::span<const std::uint8_t> wanted)
{
    std::vector<int> pages;
    const std::size_t size = std::min(current.size(), wanted.size());
    for (std::size_t start = 0; start < size; start += kPageSize) {
        const std::size_t end = std::min(size, start + kPageSize);
        if (!std::equal(current.begin() + static_cast<std::ptrdiff_t>(start),
                        current.begin() + static_cast<std::ptrdiff_t>(end),
                        wanted.begin() + static_cast<std::ptrdiff_t>(start)))
            pages.push_back(static_cast<int>(start / kPageSize));
    }
    return pages;
}

std::string AddressText(int address)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(address) & 0xFFu);
    return text;
}

std::optional<std::uint8_t> ParseAddress(const std::string& text)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.size() != 2 || !std::isxdigit(static_cast<unsigned char>(digits[0])) ||
        !std::isxdigit(static_cast<unsigned char>(digits[1])))
        return std::nullopt;
    const int value = std::stoi(digits, nullptr, 16);
    if (value < kFirstAddress || value > kLastAddress)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

}  // namespace tessaro::spdrw
