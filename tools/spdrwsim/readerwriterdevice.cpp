#include "readerwriterdevice.h"

#include <algorithm>

namespace tessaro::spdrwsim {

using namespace std::chrono_literals;
using spdrw::Opcode;

namespace {

constexpr std::chrono::microseconds kWriteCycle = 10ms;
constexpr std::chrono::microseconds kHighVoltageSettle = 5ms;

std::string Hex2(unsigned value)
{
    static const char* digits = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

}  // namespace

int BlockCountForSize(std::size_t size)
{
    return size == 1024 ? 16 : size == 512 ? 4 : 1;
}

ReaderWriterDevice::ReaderWriterDevice(DeviceSettings settings)
    : m_settings(std::move(settings)), m_random(m_settings.seed)
{
    for (auto& [address, module] : m_settings.modules)
        module.protectedBlocks.resize(static_cast<std::size_t>(BlockCountForSize(module.bytes.size())), false);
    m_faultRead = 1 + static_cast<int>(m_random() % 4);
}

std::string ReaderWriterDevice::faultSummary() const
{
    return "commands: " + std::to_string(m_commands) + (m_faultDone ? ", fault struck" : "");
}

DeviceOutput ReaderWriterDevice::reset()
{
    m_pending.clear();
    m_hung = false;
    m_ddr5Page = 0;
    DeviceOutput out;
    out.log = "-- reset";
    if (m_settings.fault == Fault::NoReply)
        return out;
    out.bytes = spdrw::ReadyFrame();
    if (!m_settings.fastClock) {
        const Bytes alert = spdrw::AlertBytes(spdrw::Alert::ClockLowered);
        out.bytes.insert(out.bytes.end(), alert.begin(), alert.end());
    }
    return out;
}

std::vector<DeviceOutput> ReaderWriterDevice::receive(std::span<const std::uint8_t> bytes)
{
    std::vector<DeviceOutput> outputs;
    for (std::uint8_t byte : bytes) {
        if (m_settings.protocol == 3) {
            // The older firmware's letters; every binary command is unknown to it.
            DeviceOutput out{{}, 0us, false, "letter " + Hex2(byte)};
            const std::uint32_t v = m_settings.version;
            if (byte == 't')
                out.bytes = spdrw::ReadyFrame();
            else if (byte == 'v')
                out.bytes = spdrw::Frame(Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
            outputs.push_back(out);
            continue;
        }
        if (m_pending.empty() && !spdrw::ArgumentCount(byte, {})) {
            outputs.push_back(DeviceOutput{{}, 0us, false, "ignored " + Hex2(byte)});
            continue;  // an unknown opcode: dropped without a word
        }
        m_pending.push_back(byte);
        const Bytes args(m_pending.begin() + 1, m_pending.end());
        if (static_cast<int>(args.size()) >= *spdrw::ArgumentCount(m_pending[0], args)) {
            const std::uint8_t opcode = m_pending[0];
            m_pending.clear();
            outputs.push_back(run(opcode, args));
        }
    }
    return outputs;
}

std::vector<DeviceOutput> ReaderWriterDevice::argumentsTimedOut()
{
    std::vector<DeviceOutput> outputs;
    while (!m_pending.empty()) {
        Bytes args(m_pending.begin() + 1, m_pending.end());
        const std::uint8_t opcode = m_pending[0];
        while (static_cast<int>(args.size()) < *spdrw::ArgumentCount(opcode, args))
            args.push_back(0);
        m_pending.clear();
        outputs.push_back(run(opcode, args));
    }
    return outputs;
}

bool ReaderWriterDevice::touchesBus(std::uint8_t opcode)
{
    switch (static_cast<Opcode>(opcode)) {
    case Opcode::Version:
    case Opcode::Test:
    case Opcode::Name:
    case Opcode::BusClock:
    case Opcode::FactoryReset: return false;
    default: return true;
    }
}

DeviceOutput ReaderWriterDevice::run(std::uint8_t opcode, const Bytes& args)
{
    ++m_commands;
    DeviceOutput out;
    out.log = Hex2(opcode);
    for (std::uint8_t b : args) {
        out.log += ' ';
        out.log += Hex2(b);
    }
    if (m_settings.fault == Fault::DisconnectAfter && m_commands >= m_settings.faultValue) {
        m_faultDone = true;
        out.disconnect = true;
        return out;
    }
    if (m_hung || m_settings.fault == Fault::NoReply) {
        out.log += "  (no reply: " + std::string(m_hung ? "the firmware hangs" : "silent") + ")";
        return out;
    }
    if (m_settings.fault == Fault::StuckBus && touchesBus(opcode)) {
        m_hung = true;
        m_faultDone = true;
        out.log += "  (the bus is stuck: the firmware hangs)";
        return out;
    }
    bool silent = false;
    Bytes body = execute(opcode, args, out.busy, silent);
    if (silent || body.empty()) {
        out.log += "  (no reply)";
    } else {
        out.bytes = spdrw::Frame(body);
        if (static_cast<Opcode>(opcode) == Opcode::ReadByte && body.size() > 1 &&
            (m_settings.fault == Fault::Flip || m_settings.fault == Fault::BadSum) &&
            ++m_readReplies == m_faultRead) {
            m_faultDone = true;
            if (m_settings.fault == Fault::BadSum) {
                out.bytes.back() = static_cast<std::uint8_t>(out.bytes.back() + 1);
                out.log += "  (wrong check byte sent)";
            } else {
                const std::size_t at = m_random() % body.size();
                body[at] ^= static_cast<std::uint8_t>(1u << (m_random() % 8));
                out.bytes = spdrw::Frame(body);
                out.log += "  (one bit flipped in the reply)";
            }
        }
    }
    out.bytes.insert(out.bytes.end(), m_pendingAlert.begin(), m_pendingAlert.end());
    m_pendingAlert.clear();
    if (m_settings.removeAfter && m_commands == m_settings.removeAfter->second &&
        m_settings.modules.erase(m_settings.removeAfter->first) > 0) {
        const Bytes alert = spdrw::AlertBytes(spdrw::Alert::FewerDevices);
        out.bytes.insert(out.bytes.end(), alert.begin(), alert.end());
        out.log += "  (module " + spdrw::AddressText(m_settings.removeAfter->first) + " removed)";
    }
    if (m_settings.fast)
        out.busy = 0us;
    return out;
}

SimModule* ReaderWriterDevice::moduleAt(int address)
{
    const auto it = m_settings.modules.find(static_cast<std::uint8_t>(address));
    return it == m_settings.modules.end() ? nullptr : &it->second;
}

bool ReaderWriterDevice::present(int address) const
{
    if (m_settings.modules.count(static_cast<std::uint8_t>(address)))
        return true;
    // The power controller of a DDR5 module answers at 48h-4Fh.
    if (address >= 0x48 && address <= 0x4F) {
        const auto it = m_settings.modules.find(static_cast<std::uint8_t>(address | 0x50));
        return it != m_settings.modules.end() && it->second.ddr5();
    }
    return false;
}

bool ReaderWriterDevice::anyDdr4() const
{
    return std::any_of(m_settings.modules.begin(), m_settings.modules.end(),
                       [](const auto& entry) { return entry.second.ddr4(); });
}

std::chrono::microseconds ReaderWriterDevice::busTime(int bytes) const
{
    // Nine clocks a byte plus start, address and stop.
    const long clocks = 9L * (bytes + 3);
    return std::chrono::microseconds(clocks * 1'000'000L / (m_settings.fastClock ? 400'000L : 100'000L));
}

Bytes ReaderWriterDevice::readBytes(int address, int offset, int length)
{
    Bytes data(static_cast<std::size_t>(length));
    SimModule* module = moduleAt(address);
    if (!module) {
        // The firmware replies with whatever its buffer held.
        for (auto& b : data)
            b = static_cast<std::uint8_t>(m_random());
        return data;
    }
    const int size = static_cast<int>(module->bytes.size());
    const int page = module->ddr5() ? 128 : 256;
    int start = offset;
    if (module->ddr5() && offset >= 1024)
        start = offset & 0x7F;  // the page register was reset to 0
    start %= size;
    const int pageBase = start / page * page;
    for (int i = 0; i < length; ++i)
        data[static_cast<std::size_t>(i)] =
            module->bytes[static_cast<std::size_t>(pageBase + (start - pageBase + i) % page)];
    if (module->ddr5())
        m_ddr5Page = start / 128;
    return data;
}

bool ReaderWriterDevice::writeBytes(int address, int offset, std::span<const std::uint8_t> data,
                                    std::chrono::microseconds& busy)
{
    if (data.empty() || data.size() > spdrw::kPageSize || offset % spdrw::kPageSize + static_cast<int>(data.size()) > spdrw::kPageSize)
        return false;
    SimModule* module = moduleAt(address);
    if (!module)
        return false;
    const int size = static_cast<int>(module->bytes.size());
    if (offset >= size)
        offset %= size;
    const auto block = static_cast<std::size_t>(offset / module->blockSize());
    if (module->ddr5() && m_settings.offline && module->protectedBlocks[block])
        return false;  // refused before any bus traffic
    busy += busTime(static_cast<int>(data.size()) + 1);
    const bool inProtectedBlock = block < module->protectedBlocks.size() && module->protectedBlocks[block];
    if (inProtectedBlock || (module->permanent && offset < 128))
        return false;  // the part does not acknowledge the data
    if (m_settings.fault == Fault::NackPage && offset / spdrw::kPageSize == m_settings.faultValue) {
        m_faultDone = true;
        return false;
    }
    std::copy(data.begin(), data.end(), module->bytes.begin() + offset);
    if (m_settings.fault == Fault::FlipWrite && !m_faultDone) {
        m_faultDone = true;
        module->bytes[static_cast<std::size_t>(offset)] ^= 0x01;
    }
    busy += kWriteCycle;
    return true;
}

std::uint8_t ReaderWriterDevice::hubRegister(SimModule& module, int reg)
{
    switch (reg) {
    case 0x00: return 0x51;
    case 0x01: return 0x18;
    case 0x0B: return static_cast<std::uint8_t>(m_ddr5Page);
    case 0x0C:
    case 0x0D: {
        std::uint8_t bits = 0;
        for (int i = 0; i < 8; ++i)
            if (module.protectedBlocks[static_cast<std::size_t>((reg - 0x0C) * 8 + i)])
                bits |= static_cast<std::uint8_t>(1u << i);
        return bits;
    }
    case 0x30: return m_settings.offline ? 0x04 : 0x00;
    default: return 0x00;
    }
}

std::uint8_t ReaderWriterDevice::rswp(int address, int block, std::uint8_t op, std::chrono::microseconds& busy)
{
    SimModule* module = moduleAt(address);
    if (op == spdrw::kGet) {
        if (!module)
            return 1;  // the firmware calls an absent part protected
        if (!module->ddr5())
            busy += kHighVoltageSettle;
        const std::size_t index = module->ddr5() ? static_cast<std::size_t>(block & 15)
                                                 : static_cast<std::size_t>(block < 4 ? block : 0) % module->protectedBlocks.size();
        return module->protectedBlocks[index] ? 1 : 0;
    }
    if (!module)
        return 0;
    if (op == spdrw::kSet) {
        if (block > 15)
            return 0;
        std::size_t index = static_cast<std::size_t>(block);
        if (!module->ddr5()) {
            if (block >= 4)
                index = 0;  // the firmware sends the block-0 command
            if (module->bytes.size() == 256 && index > 0)
                return 0;
            busy += kHighVoltageSettle;
        } else {
            busy += kWriteCycle;
        }
        module->protectedBlocks[index] = true;
        return 1;
    }
    if (op == spdrw::kClear) {
        if (module->ddr5() && !m_settings.offline)
            return 0;
        busy += module->ddr5() ? 2 * kWriteCycle : kHighVoltageSettle;
        std::fill(module->protectedBlocks.begin(), module->protectedBlocks.end(), false);
        return 1;
    }
    return 0;
}

Bytes ReaderWriterDevice::execute(std::uint8_t opcode, const Bytes& a, std::chrono::microseconds& busy, bool& silent)
{
    const auto one = [](bool value) { return Bytes{static_cast<std::uint8_t>(value ? 1 : 0)}; };
    switch (static_cast<Opcode>(opcode)) {
    case Opcode::ReadByte: {
        const int length = a[3];
        if (length == 0)
            return {};
        if (length > spdrw::kMaxReadLength) {
            m_hung = true;  // the buffer overflows and the firmware waits for ever
            silent = true;
            return {};
        }
        busy += busTime(length + 2);
        return readBytes(a[0], a[1] << 8 | a[2], length);
    }
    case Opcode::WriteByte: return one(writeBytes(a[0], a[1] << 8 | a[2], std::span(&a[3], 1), busy));
    case Opcode::WritePage: {
        const int length = a[3];
        if (length == 0 || length > spdrw::kPageSize)
            return one(false);
        return one(writeBytes(a[0], a[1] << 8 | a[2], std::span(a).subspan(4, static_cast<std::size_t>(length)), busy));
    }
    case Opcode::WriteTest: {
        SimModule* module = moduleAt(a[0]);
        if (!module)
            return one(false);
        const int offset = (a[1] << 8 | a[2]) % static_cast<int>(module->bytes.size());
        const std::uint8_t value = module->bytes[static_cast<std::size_t>(offset)];
        return one(writeBytes(a[0], offset, std::span(&value, 1), busy));
    }
    case Opcode::Ddr4Detect:
        busy += busTime(4);
        if (a[0] == 0)
            return one(anyDdr4());
        return one(present(a[0]) && anyDdr4() && !(moduleAt(a[0]) && moduleAt(a[0])->ddr5()));
    case Opcode::Ddr5Detect: {
        busy += busTime(6);
        m_ddr5Page = 0;
        const SimModule* module = a[0] >= 0x50 && a[0] <= 0x57 ? moduleAt(a[0]) : nullptr;
        return one(module && module->ddr5());
    }
    case Opcode::Spd5HubReg: {
        SimModule* module = moduleAt(a[0]);
        const bool write = a[2] == spdrw::kSet;
        if (a[2] != spdrw::kGet && !write)
            return one(false);
        busy += busTime(3);
        if (!module || !module->ddr5()) {
            // The firmware says 0 and carries on with the register on the bus anyway.
            return {0x00, static_cast<std::uint8_t>(module && !write ? module->bytes[a[1] % module->bytes.size()] : 0)};
        }
        if (!write) {
            if (a[1] >= 0x80)
                return one(false);
            m_ddr5Page = 0;
            return {hubRegister(*module, a[1])};
        }
        if (a[1] == 0x0B) {
            m_ddr5Page = a[3] & 7;
            return one(true);
        }
        if (a[1] == 0x0C || a[1] == 0x0D) {
            busy += kWriteCycle;
            for (int i = 0; i < 8; ++i)
                if (a[3] & (1u << i))
                    module->protectedBlocks[static_cast<std::size_t>((a[1] - 0x0C) * 8 + i)] = true;
            return one(true);
        }
        return one(false);
    }
    case Opcode::Size: {
        busy += busTime(4);
        const int address = a[0];
        SimModule* module = moduleAt(address);
        if (module && module->ddr5())
            return {3};
        if (module) {
            if (m_settings.modules.size() == 1)
                return {static_cast<std::uint8_t>(module->ddr4() ? 2 : 1)};
            if (!module->ddr4())
                return {1};
            return {static_cast<std::uint8_t>(module->bytes[2] >= 0x0C && module->bytes[2] <= 0x11 ? 2 : 0)};
        }
        return {static_cast<std::uint8_t>(address >= 0x48 && address <= 0x4F && present(address) ? 1 : 0)};
    }
    case Opcode::ScanBus: {
        busy += busTime(8);
        std::uint8_t bits = 0;
        for (const auto& [address, module] : m_settings.modules)
            bits |= static_cast<std::uint8_t>(1u << (address - 0x50));
        return {bits};
    }
    case Opcode::BusClock: {
        if (a[0] == spdrw::kGet)
            return {static_cast<std::uint8_t>(m_settings.fastClock ? 1 : 0)};
        if (a[0] > 1)
            return one(false);
        const bool fast = a[0] == 1;
        Bytes reply = one(true);
        if (fast != m_settings.fastClock) {
            m_settings.fastClock = fast;
            const Bytes alert = spdrw::AlertBytes(fast ? spdrw::Alert::ClockRaised : spdrw::Alert::ClockLowered);
            // The alert follows the reply; the caller frames the body first.
            m_pendingAlert = alert;
        }
        return reply;
    }
    case Opcode::ProbeAddress: busy += busTime(1); return one(present(a[0]));
    case Opcode::PinControl:
        if (a[0] > 1 || (a[1] > 1 && a[1] != spdrw::kGet))
            return one(false);
        if (a[1] == spdrw::kGet)
            return one(a[0] == 1 && std::any_of(m_settings.modules.begin(), m_settings.modules.end(),
                                                [](const auto& e) { return (e.first & 0x02) != 0; }));
        busy += kHighVoltageSettle;
        return one(true);
    case Opcode::PinReset:
        return one(std::any_of(m_settings.modules.begin(), m_settings.modules.end(),
                               [](const auto& e) { return (e.first & 0x02) != 0; }));
    case Opcode::Rswp: return {rswp(a[0], a[1], a[2], busy)};
    case Opcode::Pswp: {
        SimModule* module = moduleAt(a[0]);
        busy += busTime(3);
        if (a[1] == spdrw::kSet) {
            if (!module || module->ddr4() || module->ddr5())
                return one(false);
            module->permanent = true;
            return one(true);
        }
        if (a[1] == spdrw::kGet)
            return one(module && !module->permanent);
        return one(false);
    }
    case Opcode::RswpReport: {
        if (m_settings.modules.empty())
            return {0};
        busy += kHighVoltageSettle;
        std::uint8_t bits = spdrw::kReportHighVoltage;
        if (std::any_of(m_settings.modules.begin(), m_settings.modules.end(), [](const auto& e) { return !e.second.ddr5(); }))
            bits |= spdrw::kReportSa1;
        if (const SimModule* hub = moduleAt(0x50); hub && hub->ddr5() && m_settings.offline)
            bits |= spdrw::kReportDdr5Offline;
        return {bits};
    }
    case Opcode::Version: {
        const std::uint32_t v = m_settings.version;
        return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                static_cast<std::uint8_t>(v >> 24)};
    }
    case Opcode::Test: return {0x01};
    case Opcode::Name: {
        if (a[0] == spdrw::kGet) {
            Bytes name;
            for (std::uint8_t b : m_settings.name) {
                if (b == 0)
                    break;
                name.push_back(b);
            }
            return name;  // an empty name sends nothing at all
        }
        if (a[0] < 1 || a[0] > spdrw::kMaxNameLength)
            return one(false);
        m_settings.name.assign(a.begin() + 1, a.end());
        return one(true);
    }
    case Opcode::FactoryReset: {
        m_settings.name.clear();
        if (m_settings.fastClock) {
            m_settings.fastClock = false;
            m_pendingAlert = spdrw::AlertBytes(spdrw::Alert::ClockLowered);
        }
        return one(true);
    }
    }
    return {};
}

}  // namespace tessaro::spdrwsim
