#include "device/spdrwlink.h"

#include "core/checks.h"
#include "decode/moduledecode.h"
#include "decode/spdrules.h"
#include "device/serialline.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cstdio>

#ifndef Q_OS_WIN
#include <unistd.h>

#include <cerrno>
#endif

namespace tessaro {

using namespace std::chrono_literals;
using spdrw::Bytes;
using spdrw::Opcode;
using spdrw::Request;

namespace {

constexpr auto kTestTimeout = 1000ms;
constexpr auto kProbeWait = 600ms;
constexpr auto kNameWait = 300ms;
constexpr auto kQuietSpell = 30ms;

std::string Hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

std::string Offset(int offset)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%03X", static_cast<unsigned>(offset));
    return text;
}

// A write refused before anything was written, for `reason`; `overridable`
// when --force writes it all the same.
SpdrwWriteResult Refused(std::string reason, bool overridable = false)
{
    SpdrwWriteResult result;
    result.outcome = SpdrwWriteResult::Outcome::Refused;
    result.message = std::move(reason) + "; nothing written";
    result.overridable = overridable;
    return result;
}

// "0-11", "0-3 5 7-9", "none"
std::string Ranges(const std::vector<int>& numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty())
            text += ' ';
        text += std::to_string(numbers[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(numbers[j]);
        }
        i = j + 1;
    }
    return text.empty() ? "none" : text;
}

std::string PrintableName(const Bytes& bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F)
            text += static_cast<char>(b);
        else
            text += "\\x" + Hex2(b);
    }
    return text;
}

std::string Sha256(std::span<const std::uint8_t> bytes)
{
    return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// Empty when the image's own check bytes are right, else what is wrong.
std::string CheckBytesProblem(std::span<const std::uint8_t> image)
{
    if (image.size() == kSpdSize) {
        SpdImage page{};
        std::copy(image.begin(), image.end(), page.begin());
        return CheckBytesMismatch(page);
    }
    std::string wrong;
    for (const CrcBlock& block : CrcBlocks(image)) {
        if (!block.ok())
            wrong += (wrong.empty() ? "" : ", ") + block.key + " stored " + Hex2(block.stored >> 8) +
                     Hex2(block.stored) + "h, computed " + Hex2(block.computed >> 8) + Hex2(block.computed) + "h";
    }
    return wrong;
}

// How many bytes of two equal-sized images differ, and the first of them.
struct Difference {
    std::size_t count = 0;
    std::size_t first = 0;
};
Difference Compare(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    Difference d;
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) {
            ++d.count;
            d.first = i;
        }
    }
    return d;
}

std::string GenerationOfImage(std::span<const std::uint8_t> image)
{
    return image.size() > 2 ? GenerationText(MemoryTypeOf(image[2]), image[2]) : std::string("unknown");
}

}  // namespace

std::string SpdrwModule::blockList(bool wantProtected) const
{
    std::vector<int> blocks;
    for (int i = 0; i < blockCount(); ++i)
        if (protectedBlocks[static_cast<std::size_t>(i)] == wantProtected)
            blocks.push_back(i);
    std::string text;
    for (int b : blocks) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(b);
    }
    return text.empty() ? "none" : text;
}

std::string SpdrwModule::blockRange() const
{
    return blockCount() == 1 ? "0" : "0-" + std::to_string(blockCount() - 1);
}

SpdrwLink::SpdrwLink(QString device) : m_path(std::move(device)) {}

SpdrwLink::~SpdrwLink()
{
    close();
}

std::string SpdrwLink::portPath() const
{
    return SerialDevicePath(m_path).toStdString();
}

std::string SpdrwLink::port() const
{
    return "the SPD reader/writer on " + portPath();
}

bool SpdrwLink::fail(std::string text)
{
    m_error = std::move(text);
    return false;
}

void SpdrwLink::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_reader.clear();
}

bool SpdrwLink::connect()
{
    close();
    m_error.clear();
    m_portFailed = false;
    m_rescanNeeded = false;
    m_info = {};
    const QString path = SerialDevicePath(m_path);
    if (path.isEmpty())
        return fail("no serial device is named");
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
#ifndef Q_OS_WIN
        const QByteArray file = QFile::encodeName(path);
        if (m_port.error() == QSerialPort::PermissionError && ::access(file.constData(), R_OK | W_OK) != 0 &&
            errno == EACCES)
            return fail("port " + path.toStdString() + ": Permission denied: " +
                        SerialPermissionAdvice(path).toStdString());
#endif
        return fail("port " + path.toStdString() + ": " + m_port.errorString().toStdString());
    }
    if (!m_port.setBaudRate(spdrw::kBaudRate) || !m_port.setDataBits(QSerialPort::Data8) ||
        !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        const std::string reason = m_port.errorString().toStdString();
        close();
        return fail("port " + path.toStdString() + ": cannot set 115200 baud 8-N-1: " + reason);
    }
    // A pseudo-terminal has no modem lines; a real port resets the board here.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.clearError();

    // The board starts over when the port opens: its ready frame, or a short wait.
    bool ready = false;
    const auto readyUntil = Clock::now() + m_readyWait;
    while (!ready) {
        const auto event = nextEvent(readyUntil);
        if (!event)
            break;
        if (event->kind == spdrw::ReplyReader::Event::Kind::Alert)
            onAlert(event->alert);
        else if (event->kind == spdrw::ReplyReader::Event::Kind::Frame && event->body == Bytes{0x01})
            ready = true;
    }
    if (m_portFailed) {
        close();
        return false;
    }
    // What follows the ready frame at once (the start-up clock alert) is
    // acted on; anything else is dropped.
    const auto quietUntil = Clock::now() + kQuietSpell;
    while (const auto event = nextEvent(quietUntil)) {
        if (event->kind == spdrw::ReplyReader::Event::Kind::Alert)
            onAlert(event->alert);
    }
    m_reader.clear();
    if (m_portFailed) {
        close();
        return false;
    }

    const auto test = transact(Request(Opcode::Test), "the communication test", 1, kTestTimeout);
    if (!test) {
        if (m_portFailed || m_error.rfind("no reply", 0) != 0) {
            close();
            return false;
        }
        // Silence: an older protocol, or another firmware, may be there.
        std::optional<Bytes> letter;
        std::optional<Bytes> ping;
        if (send(Bytes{'v'})) {
            if (Bytes raw = collect(Clock::now() + kProbeWait); !raw.empty())
                letter = raw;
            else if (send(Bytes{0x04}))
                if (Bytes rawPing = collect(Clock::now() + kProbeWait); !rawPing.empty())
                    ping = rawPing;
        }
        const spdrw::FirmwareFound found = spdrw::ClassifyOlderFirmware(letter, ping);
        close();
        return fail(spdrw::FirmwareMessage(found) + " (" + portPath() + ")");
    }
    if (test->front() != 0x01) {
        close();
        return fail(port() + " answered the communication test with " + Hex2(test->front()) + "h instead of 01h");
    }
    const auto version = transact(Request(Opcode::Version), "the version query", 4);
    if (!version) {
        close();
        return false;
    }
    m_info.version = *spdrw::VersionOf(*version);
    if (const spdrw::FirmwareFound found = spdrw::CheckVersion(m_info.version);
        found.kind != spdrw::FirmwareFound::Kind::Current) {
        close();
        return fail(spdrw::FirmwareMessage(found) + " (" + portPath() + ")");
    }
    // The firmware sends nothing at all for an empty name.
    if (!send(spdrw::NameGetRequest())) {
        close();
        return false;
    }
    const auto nameUntil = Clock::now() + kNameWait;
    while (const auto event = nextEvent(nameUntil)) {
        if (event->kind == spdrw::ReplyReader::Event::Kind::Alert) {
            onAlert(event->alert);
        } else if (event->kind == spdrw::ReplyReader::Event::Kind::Frame) {
            m_info.name = PrintableName(event->body);
            break;
        } else {
            close();
            return fail("bad reply from " + port() + " to the name query: " + event->error);
        }
    }
    if (m_portFailed) {
        close();
        return false;
    }
    const auto clock = transact(Request(Opcode::BusClock, {spdrw::kGet}), "the bus clock query", 1);
    if (!clock) {
        close();
        return false;
    }
    m_info.clockKHz = clock->front() ? 400 : 100;
    return true;
}

bool SpdrwLink::send(const Bytes& request)
{
    if (!m_port.isOpen())
        return fail(port() + ": the port is closed");
    const qint64 written = m_port.write(reinterpret_cast<const char*>(request.data()), static_cast<qint64>(request.size()));
    bool ok = written == static_cast<qint64>(request.size());
    while (ok && m_port.bytesToWrite() > 0)
        ok = m_port.waitForBytesWritten(1000);
    if (!ok) {
        m_portFailed = true;
        const std::string reason = m_port.errorString().toStdString();
        close();
        return fail(port() + " cannot be written to (" + reason + "): the reader/writer was disconnected");
    }
    return true;
}

std::optional<spdrw::ReplyReader::Event> SpdrwLink::nextEvent(Clock::time_point until)
{
    for (;;) {
        if (auto event = m_reader.next())
            return event;
        if (!m_port.isOpen())
            return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        if (!m_port.waitForReadyRead(static_cast<int>(std::max<long long>(1, left.count())))) {
            if (m_port.error() == QSerialPort::TimeoutError || m_port.error() == QSerialPort::NoError) {
                m_port.clearError();
                continue;
            }
            m_portFailed = true;
            const std::string reason = m_port.errorString().toStdString();
            close();
            fail(port() + " stopped working (" + reason + "): the reader/writer was disconnected");
            return std::nullopt;
        }
        const QByteArray data = m_port.readAll();
        m_reader.append(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                  static_cast<std::size_t>(data.size())));
    }
}

Bytes SpdrwLink::collect(Clock::time_point until)
{
    Bytes raw;
    while (m_port.isOpen()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0 || !m_port.waitForReadyRead(static_cast<int>(left.count())))
            break;
        const QByteArray data = m_port.readAll();
        raw.insert(raw.end(), data.begin(), data.end());
    }
    m_port.clearError();
    return raw;
}

std::optional<Bytes> SpdrwLink::transact(const Bytes& request, const std::string& what, int expectedLength,
                                         std::optional<std::chrono::milliseconds> timeout)
{
    if (!send(request))
        return std::nullopt;
    return awaitReply(what, expectedLength, timeout);
}

std::optional<Bytes> SpdrwLink::awaitReply(const std::string& what, int expectedLength,
                                           std::optional<std::chrono::milliseconds> timeout)
{
    const auto wait = timeout.value_or(m_replyTimeout);
    const auto until = Clock::now() + wait;
    for (;;) {
        auto event = nextEvent(until);
        if (!event) {
            if (m_portFailed)
                return std::nullopt;
            char seconds[16];
            std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(wait.count()) / 1000.0);
            fail("no reply from " + port() + " to " + what + " within " + seconds +
                 " s: its firmware may hang on a stuck module bus; unplug it and plug it in again");
            return std::nullopt;
        }
        switch (event->kind) {
        case spdrw::ReplyReader::Event::Kind::Alert: onAlert(event->alert); continue;
        case spdrw::ReplyReader::Event::Kind::Error:
            collect(Clock::now() + kQuietSpell);  // the rest of the bad reply
            m_reader.clear();
            fail("bad reply from " + port() + " to " + what + ": " + event->error);
            return std::nullopt;
        case spdrw::ReplyReader::Event::Kind::Frame:
            if (expectedLength >= 0 && static_cast<int>(event->body.size()) != expectedLength) {
                fail("bad reply from " + port() + " to " + what + ": " + std::to_string(event->body.size()) +
                     " bytes where " + std::to_string(expectedLength) + " belong");
                return std::nullopt;
            }
            return std::move(event->body);
        }
    }
}

std::optional<bool> SpdrwLink::ask(const Bytes& request, const std::string& what)
{
    const auto reply = transact(request, what, 1);
    if (!reply)
        return std::nullopt;
    return reply->front() != 0;
}

void SpdrwLink::onAlert(spdrw::Alert alert)
{
    switch (alert) {
    case spdrw::Alert::ClockRaised: m_info.clockKHz = 400; break;
    case spdrw::Alert::ClockLowered: m_info.clockKHz = 100; break;
    case spdrw::Alert::MoreDevices:
    case spdrw::Alert::FewerDevices: m_rescanNeeded = true; break;
    }
    if (m_alertListener)
        m_alertListener(alert);
}

bool SpdrwLink::rescanIfNeeded()
{
    if (!m_rescanNeeded)
        return true;
    m_rescanNeeded = false;
    std::vector<std::uint8_t> present;
    if (!scanAddresses(present))
        return false;
    // After a module change the firmware's remembered DDR4 page may be stale.
    return ask(Request(Opcode::Ddr4Detect, {0x00}), "the DDR4 page reset").has_value();
}

bool SpdrwLink::scanAddresses(std::vector<std::uint8_t>& addresses)
{
    const auto bits = transact(Request(Opcode::ScanBus), "the bus scan", 1);
    if (!bits)
        return false;
    addresses.clear();
    for (int i = 0; i < 8; ++i)
        if (bits->front() & (1u << i))
            addresses.push_back(static_cast<std::uint8_t>(spdrw::kFirstAddress + i));
    m_present = addresses;
    return true;
}

bool SpdrwLink::scan(std::vector<SpdrwModule>& modules)
{
    m_rescanNeeded = false;
    std::vector<std::uint8_t> addresses;
    if (!scanAddresses(addresses))
        return false;
    modules.clear();
    for (std::uint8_t address : addresses) {
        SpdrwModule module;
        if (!inspect(address, module))
            return false;
        modules.push_back(module);
    }
    return true;
}

bool SpdrwLink::inspect(std::uint8_t address, SpdrwModule& module)
{
    if (!rescanIfNeeded())
        return false;
    const std::string a = spdrw::AddressText(address);
    const auto present = ask(Request(Opcode::ProbeAddress, {address}), "the probe of " + a);
    if (!present)
        return false;
    if (!*present)
        return fail("no module answers at " + a);
    module = {};
    module.address = address;
    const auto ddr5 = ask(Request(Opcode::Ddr5Detect, {address}), "the DDR5 detection at " + a);
    if (!ddr5)
        return false;
    if (*ddr5) {
        module.type = MemoryType::Ddr5;
        module.generation = "DDR5";
        module.size = 1024;
        module.blockSize = 64;
        module.protectedBlocks.assign(16, false);
    } else {
        const auto ddr4 = ask(Request(Opcode::Ddr4Detect, {address}), "the DDR4 detection at " + a);
        const auto byte2 = ddr4 ? transact(spdrw::ReadRequest(address, 2, 1), "the read of byte 2 at " + a, 1)
                                : std::nullopt;
        if (!byte2)
            return false;
        const std::uint8_t code = byte2->front();
        // The DDR4 detection answers for the whole bus: a DDR3 module beside a
        // DDR4 one is told apart by its byte 2.
        if (*ddr4 && !(code >= 0x01 && code <= 0x0B)) {
            module.type = MemoryType::Ddr4;
            module.generation = "DDR4";
            module.size = 512;
            module.protectedBlocks.assign(4, false);
        } else {
            module.type = MemoryTypeOf(code);
            module.generation = GenerationText(module.type, code);
            module.size = 256;
            module.protectedBlocks.assign(1, false);
        }
    }
    return readProtection(module);
}

bool SpdrwLink::readProtection(SpdrwModule& module)
{
    const std::uint8_t address = module.address;
    const std::string a = spdrw::AddressText(address);
    for (int block = 0; block < module.blockCount(); ++block) {
        const auto isProtected = ask(Request(Opcode::Rswp, {address, static_cast<std::uint8_t>(block), spdrw::kGet}),
                                     "the protection query of block " + std::to_string(block) + " at " + a);
        if (!isProtected)
            return false;
        module.protectedBlocks[static_cast<std::size_t>(block)] = *isProtected;
    }
    module.permanent = false;
    if (module.size == 256) {
        const auto writable = ask(Request(Opcode::Pswp, {address, spdrw::kGet}), "the permanent protection query at " + a);
        if (!writable)
            return false;
        module.permanent = !*writable;
    }
    return true;
}

bool SpdrwLink::offlineMode(bool& offline)
{
    const auto report = transact(Request(Opcode::RswpReport), "the protection report", 1);
    if (!report)
        return false;
    offline = (report->front() & spdrw::kReportDdr5Offline) != 0;
    return true;
}

bool SpdrwLink::readOnce(const SpdrwModule& module, Bytes& image)
{
    image.clear();
    image.reserve(static_cast<std::size_t>(module.size));
    const std::string a = spdrw::AddressText(module.address);
    const int chunks = module.size / spdrw::kMaxReadLength;
    // One request waits in the firmware's input while the reply before it is
    // on the line, so that the line never idles between pieces.
    int sent = 0;
    const auto sendNext = [&] {
        return send(spdrw::ReadRequest(module.address, sent++ * spdrw::kMaxReadLength, spdrw::kMaxReadLength));
    };
    if (!sendNext())
        return false;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        if (sent < chunks && !m_rescanNeeded && !sendNext())
            return false;
        const int offset = chunk * spdrw::kMaxReadLength;
        const auto piece = awaitReply("the read of " + a + " at " + Offset(offset), spdrw::kMaxReadLength);
        if (!piece)
            return false;
        image.insert(image.end(), piece->begin(), piece->end());
        // A hot-plug alert: once no request is in flight, is the module still there?
        if (m_rescanNeeded && sent == chunk + 1) {
            if (!rescanIfNeeded())
                return false;
            if (std::find(m_present.begin(), m_present.end(), module.address) == m_present.end())
                return fail("the module at " + a + " was removed during the read");
            if (sent < chunks && !sendNext())
                return false;
        }
    }
    return true;
}

bool SpdrwLink::readImage(const SpdrwModule& module, Bytes& image)
{
    if (!rescanIfNeeded())
        return false;
    const std::string a = spdrw::AddressText(module.address);
    // The firmware reads undefined bytes from an address where nothing answers.
    const auto present = ask(Request(Opcode::ProbeAddress, {module.address}), "the probe of " + a);
    if (!present)
        return false;
    if (!*present)
        return fail("no module answers at " + a);
    Bytes first;
    Bytes second;
    if (!readOnce(module, first) || !readOnce(module, second))
        return false;
    if (const Difference d = Compare(first, second); d.count > 0)
        return fail("two reads of " + a + " differ in " + std::to_string(d.count) + " byte" +
                    (d.count == 1 ? "" : "s") + " (first at offset " + Offset(static_cast<int>(d.first)) + ": " +
                    Hex2(first[d.first]) + "h, then " + Hex2(second[d.first]) +
                    "h): the module or its contact is unreliable; nothing was kept");
    image = std::move(first);
    return true;
}

std::optional<SpdrwWriteResult> SpdrwLink::refuseImage(const SpdrwModule& module,
                                                       std::span<const std::uint8_t> image, bool force) const
{
    const std::string a = spdrw::AddressText(module.address);
    const std::string imageGeneration = GenerationOfImage(image);
    if (static_cast<int>(image.size()) != module.size)
        return Refused("the image holds " + std::to_string(image.size()) + " bytes (" + imageGeneration +
                       ") but the module at " + a + " is " + module.generation + " with " +
                       std::to_string(module.size) + " bytes");
    // The rest --force overrides.
    if (!force && imageGeneration != module.generation)
        return Refused("the image is " + imageGeneration + " but the module at " + a + " is " + module.generation +
                           "; --force writes it all the same",
                       true);
    if (!force) {
        if (const std::string problem = CheckBytesProblem(image); !problem.empty())
            return Refused("the image's check bytes are wrong (" + problem +
                               "); correct them (tessaro-cli fix) or write it as it is with --force",
                           true);
    }
    return std::nullopt;
}

std::optional<SpdrwWriteResult> SpdrwLink::refusePages(const SpdrwModule& module, const std::vector<int>& pages,
                                                       const SpdrwHints& hints)
{
    const std::string a = spdrw::AddressText(module.address);
    std::vector<int> blocked;
    bool permanent = false;
    for (int page : pages) {
        const int offset = page * spdrw::kPageSize;
        // A 256-byte module's one block holds bytes 0-127 only.
        const int block = offset / module.blockSize;
        if (block < module.blockCount() && module.protectedBlocks[static_cast<std::size_t>(block)] &&
            std::find(blocked.begin(), blocked.end(), block) == blocked.end())
            blocked.push_back(block);
        if (module.permanent && offset < 128)
            permanent = true;
    }
    if (permanent)
        return Refused("the image changes bytes 0-127 of " + a + ", which are permanently protected; no command "
                      "can clear that protection");
    if (!blocked.empty()) {
        // A DDR5 hub clears its protection only in offline mode: say so first.
        bool offline = true;
        if (module.ddr5() && !offlineMode(offline))
            offline = true;
        return Refused("the image changes protected block" + std::string(blocked.size() == 1 ? " " : "s ") +
                      Ranges(blocked) + " of " + a + " (" + module.generation + ", blocks of " +
                      std::to_string(module.blockSize) + " bytes); clear the protection first" +
                      (offline ? std::string() : " (the hub clears it only in offline mode, with the module's HSA "
                                                 "pin tied to ground)") +
                      (hints.clearProtection.empty() ? std::string() : ": " + hints.clearProtection));
    }
    return std::nullopt;
}

SpdrwWriteResult SpdrwLink::writeImage(const SpdrwModule& module, std::span<const std::uint8_t> image, bool force,
                                       const SpdrwHints& hints,
                                       const std::function<void(const Bytes& backup)>& backupTaken)
{
    if (std::optional<SpdrwWriteResult> refused = refuseImage(module, image, force))
        return *refused;
    Bytes backup;
    if (!readImage(module, backup))
        return Refused("the module's current image could not be read as the backup: " + m_error);
    SpdrwWriteResult result;
    const std::string a = spdrw::AddressText(module.address);
    result.backup = backup;
    if (backupTaken)
        backupTaken(backup);
    const std::string restore =
        hints.restoreBackup ? hints.restoreBackup(Sha256(backup)) : "its backup is " + Sha256(backup);

    const std::vector<int> pages = spdrw::DifferingPages(backup, image);
    result.pagesChanged = static_cast<int>(pages.size());
    result.totalPages = module.size / spdrw::kPageSize;
    if (pages.empty()) {
        result.outcome = SpdrwWriteResult::Outcome::Unchanged;
        result.message = a + " already holds this image; nothing written";
        return result;
    }
    if (std::optional<SpdrwWriteResult> refused = refusePages(module, pages, hints)) {
        refused->backup = result.backup;
        refused->pagesChanged = result.pagesChanged;
        refused->totalPages = result.totalPages;
        return *refused;
    }

    const auto failed = [&](const std::string& what) {
        result.outcome = SpdrwWriteResult::Outcome::Failed;
        result.message = what + "; pages written: " + Ranges(result.pagesWritten) + " (" +
                         std::to_string(result.pagesWritten.size()) + " of " + std::to_string(pages.size()) +
                         "); to put the backup back: " + restore;
        return result;
    };
    for (int page : pages) {
        const int offset = page * spdrw::kPageSize;
        const std::string pageText = "page " + std::to_string(page) + " (bytes " + Offset(offset) + "-" +
                                     Offset(offset + spdrw::kPageSize - 1) + ")";
        const auto accepted = ask(spdrw::WritePageRequest(module.address, offset,
                                                          image.subspan(static_cast<std::size_t>(offset), spdrw::kPageSize)),
                                  "the write of " + pageText + " of " + a);
        if (!accepted)
            return failed("writing " + pageText + " of " + a + " failed: " + m_error);
        if (!*accepted) {
            if (m_rescanNeeded && rescanIfNeeded() &&
                std::find(m_present.begin(), m_present.end(), module.address) == m_present.end())
                return failed("the module at " + a + " was removed during the write, before " + pageText);
            return failed("writing " + pageText + " of " + a + " failed: the module did not accept it");
        }
        result.pagesWritten.push_back(page);
        if (m_rescanNeeded) {
            if (!rescanIfNeeded())
                return failed("after " + pageText + " of " + a + ": " + m_error);
            if (std::find(m_present.begin(), m_present.end(), module.address) == m_present.end())
                return failed("the module at " + a + " was removed during the write, after " + pageText);
        }
    }
    Bytes written;
    if (!readOnce(module, written))
        return failed("the read-back of " + a + " failed: " + m_error);
    if (const Difference d = Compare(image, written); d.count > 0)
        return failed("the read-back of " + a + " differs from the image in " + std::to_string(d.count) + " byte" +
                      (d.count == 1 ? "" : "s") + " (first at offset " + Offset(static_cast<int>(d.first)) +
                      ": written " + Hex2(image[d.first]) + "h, read " + Hex2(written[d.first]) + "h)");
    result.outcome = SpdrwWriteResult::Outcome::Written;
    result.message = a + ": wrote " + std::to_string(pages.size()) + " of " + std::to_string(result.totalPages) +
                     " pages (" + std::to_string(pages.size() * spdrw::kPageSize) + " bytes), verified";
    return result;
}

bool SpdrwLink::setProtection(SpdrwModule& module, const std::vector<int>& blocks)
{
    const std::string a = spdrw::AddressText(module.address);
    for (int block : blocks) {
        if (block < 0 || block >= module.blockCount())
            return fail("block " + std::to_string(block) + " does not exist on the " + module.generation +
                        " module at " + a + " (blocks " + module.blockRange() + ")");
    }
    for (int block : blocks) {
        const auto done = ask(Request(Opcode::Rswp, {module.address, static_cast<std::uint8_t>(block), spdrw::kSet}),
                              "setting the protection of block " + std::to_string(block) + " at " + a);
        if (!done)
            return false;
        if (!*done)
            return fail("the reader/writer could not protect block " + std::to_string(block) + " of " + a +
                        (module.ddr5() ? std::string() : ": its high-voltage circuit may be missing or off"));
    }
    if (!readProtection(module))
        return false;
    for (int block : blocks)
        if (!module.protectedBlocks[static_cast<std::size_t>(block)])
            return fail("block " + std::to_string(block) + " of " + a + " still reads as clear after it was protected");
    return true;
}

bool SpdrwLink::clearProtection(SpdrwModule& module)
{
    const std::string a = spdrw::AddressText(module.address);
    if (module.ddr5()) {
        bool offline = false;
        if (!offlineMode(offline))
            return false;
        if (!offline)
            return fail("the DDR5 module at " + a + " keeps its protection: its hub clears it only in offline mode "
                        "(the module's HSA pin tied to ground), and the reader/writer reports offline mode off");
    }
    const auto done = ask(Request(Opcode::Rswp, {module.address, 0x00, spdrw::kClear}), "clearing the protection of " + a);
    if (!done)
        return false;
    if (!*done)
        return fail("the reader/writer could not clear the protection of " + a +
                    (module.ddr5() ? std::string() : ": its high-voltage circuit may be missing or off"));
    if (!readProtection(module))
        return false;
    if (module.blockList(true) != "none")
        return fail("block(s) " + module.blockList(true) + " of " + a + " still read as protected after clearing");
    return true;
}

}  // namespace tessaro
