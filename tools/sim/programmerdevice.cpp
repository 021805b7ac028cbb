#include "programmerdevice.h"

#include "core/hex.h"
#include "devicerecords.h"
#include "pinmap/modulesignals.h"
#include "document/settle.h"
#include "document/spddocument.h"

#include <algorithm>

namespace tessaro::sim {

namespace {

// Bytes 95-98 of the module hold its serial number, high byte first.
constexpr int kSerialFirst = 95;
constexpr int kSerialLast = 98;

std::uint32_t SerialNumber(const SpdImage& image)
{
    std::uint32_t value = 0;
    for (int i = kSerialFirst; i <= kSerialLast; ++i)
        value = (value << 8) | image[static_cast<std::size_t>(i)];
    return value;
}

void SetSerialNumber(SpdImage& image, std::uint32_t value)
{
    for (int i = kSerialLast; i >= kSerialFirst; --i) {
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

// Row r of a download: "w", the character 48 + r, 32 hexadecimal digits.
bool ParseRow(const std::string& text, int& row)
{
    if (text.size() != 34 || text[0] != 'w' || text[1] < '0' || text[1] > '?')
        return false;
    row = text[1] - '0';
    return std::all_of(text.begin() + 2, text.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

// The signals the module's connector has, taken from the image the way the
// workstation decodes it.
std::vector<int> ConnectorSignals(const SpdImage& image)
{
    DecodeContext context;
    SpdDocument document(context);
    OpenAndSettle(document, image);
    const ModuleEdge connector = ConnectorFor(context.currentMemoryType, context.currentModuleForm);
    std::vector<int> signals;
    for (int i = 0; i < kSignalCount; ++i)
        if (ModuleSignalPin(connector, i) != 0)
            signals.push_back(i);
    return signals;
}

std::uint8_t ResultBits(TestFailure failure)
{
    switch (failure) {
    case TestFailure::None: return 0;
    case TestFailure::Power: return kPowerFail;
    case TestFailure::Spd: return kSpdFail;
    case TestFailure::Open: return kOpenFail;
    case TestFailure::Short: return kShortFail;
    }
    return 0;
}

}  // namespace

ProgrammerDevice::ProgrammerDevice(DeviceSettings settings)
    : m_settings(std::move(settings)), m_faults(m_settings.faults, m_settings.faultSeed)
{
}

DeviceOutput ProgrammerDevice::feed(std::string_view bytes)
{
    m_reader.append(bytes);
    DeviceOutput all;
    while (const auto frame = m_reader.next()) {
        DeviceOutput out = handle(*frame);
        all.accepted = all.accepted && out.accepted;
        all.reply += out.reply;
        for (auto& d : out.deferred)
            all.deferred.push_back(std::move(d));
    }
    return all;
}

DeviceOutput ProgrammerDevice::handle(const Frame& frame)
{
    DeviceOutput out;
    int row = 0;
    if (frame.cutOff) {
        out.accepted = false;
    } else if (!frame.linkByte) {
        // Only the serial-numbering query comes without the 10h.
        if (frame.text == "s")
            sendNow(out, SerialNumberingText(m_settings.autoSerial));
        else
            out.accepted = false;
    } else if (ParseRow(frame.text, row)) {
        if (!m_faults.loseWrite())
            storeRow(row, frame.text.substr(2));
    } else if (frame.text.size() == 1) {
        command(frame.text[0], out);
    } else {
        out.accepted = false;
    }
    if (!out.accepted)
        ++m_rejected;
    return out;
}

void ProgrammerDevice::command(char letter, DeviceOutput& out)
{
    // Test-function switches: the lower-case letter sets the bit (the function
    // is off and its box shows clear), the upper-case letter clears it.
    static constexpr std::pair<char, int> kSwitches[] = {
        {'x', 0}, {'o', 1}, {'s', 2}, {'d', 3}, {'y', 5}, {'b', 7}};
    for (const auto& [lower, bit] : kSwitches) {
        const auto mask = static_cast<std::uint8_t>(1u << bit);
        if (letter == lower) {
            m_settings.status |= mask;
            return;
        }
        if (letter == lower - 'a' + 'A') {
            m_settings.status &= static_cast<std::uint8_t>(~mask);
            return;
        }
    }
    switch (letter) {
    case 'q':
        sendNow(out, StatusRecordText(m_settings.version, m_settings.status));
        break;
    case 'l':
        sendDump(out, m_settings.stored);
        break;
    case 'k':
        if (m_settings.module)
            sendDump(out, *m_settings.module);
        break;
    case 'e':
        setStored(SpdImage{});
        break;
    case 'a':
        m_settings.autoSerial = true;
        break;
    case 'A':
        m_settings.autoSerial = false;
        break;
    case 'r':
        if (m_settings.module)
            setStored(*m_settings.module);
        break;
    case 'c':
        copyToModule();
        break;
    case 'n':
        break;  // learning takes the module in; nothing to report
    case 'v':
        sendLater(out, compareRecord());
        break;
    case 'p':
        sendLater(out, moduleTestRecord());
        break;
    default:
        out.accepted = false;
        break;
    }
}

void ProgrammerDevice::storeRow(int row, const std::string& digits)
{
    SpdImage image = m_settings.stored;
    for (int k = 0; k < 16; ++k)
        image[static_cast<std::size_t>(16 * row + k)] =
            HexPairToByte(std::string_view(digits).substr(static_cast<std::size_t>(2 * k), 2));
    setStored(image);
}

void ProgrammerDevice::setStored(const SpdImage& image)
{
    m_settings.stored = image;
    // A new image starts its serial numbers afresh from its own bytes 95-98.
    m_copiesNumbered = 0;
}

void ProgrammerDevice::copyToModule()
{
    if (!m_settings.module)
        return;
    SpdImage copy = m_settings.stored;
    if (m_settings.autoSerial)
        SetSerialNumber(copy, SerialNumber(copy) + m_copiesNumbered++);
    m_settings.module = copy;
}

void ProgrammerDevice::sendNow(DeviceOutput& out, std::string text)
{
    if (m_settings.silent || m_faults.dropReply())
        return;
    m_faults.maybeShorten(text);
    out.reply += text;
}

void ProgrammerDevice::sendDump(DeviceOutput& out, SpdImage image)
{
    if (m_settings.silent || m_faults.dropReply())
        return;
    m_faults.maybeFlip(image.data(), image.size());
    std::string text = m_faults.noisyDump(m_settings.noise, SpdDumpText(image));
    m_faults.maybeShorten(text);
    out.reply += text;
}

void ProgrammerDevice::sendLater(DeviceOutput& out, std::string text)
{
    if (m_settings.silent || m_faults.dropReply())
        return;
    m_faults.maybeShorten(text);
    out.deferred.push_back({m_settings.testDelay, std::move(text)});
}

std::string ProgrammerDevice::compareRecord() const
{
    if (!m_settings.module)
        return TestRecordText(kPowerFail, {}, {});
    SpdImage stored = m_settings.stored;
    SpdImage module = *m_settings.module;
    if (m_settings.autoSerial) {
        // Numbered copies differ from the master image in their serial number only.
        SetSerialNumber(stored, 0);
        SetSerialNumber(module, 0);
    }
    return TestRecordText(stored == module ? 0 : kSpdFail, {}, {});
}

std::string ProgrammerDevice::moduleTestRecord()
{
    std::uint8_t result = kPowerFail;
    std::vector<int> pass;
    std::vector<int> fail;
    if (m_settings.module) {
        result = ResultBits(m_settings.failure);
        fail = m_settings.failPins;
        if (result == 0 && !fail.empty())
            result = kOpenFail;
        // Without power no line can be tested, so no pin passes.
        if (result != kPowerFail) {
            for (int signal : ConnectorSignals(*m_settings.module))
                if (std::find(fail.begin(), fail.end(), signal) == fail.end())
                    pass.push_back(signal);
        }
    }
    // The configured failure belongs to one test only.
    m_settings.failure = TestFailure::None;
    m_settings.failPins.clear();
    return TestRecordText(result, pass, fail);
}

}  // namespace tessaro::sim
