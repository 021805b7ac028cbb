#pragma once

// The driver of the open SPD reader/writer: connect and version check, the
// modules on its bus, reading, writing by pages with backup and read-back,
// and reversible protection. It blocks: every wait is bounded (a reply that
// does not come ends the operation with a message within a few seconds) and
// no event loop runs inside it.

#include "core/memorytype.h"
#include "device/spdrwprotocol.h"

#include <QSerialPort>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

// One module on the reader/writer's bus.
struct SpdrwModule {
    std::uint8_t address = 0;
    MemoryType type = MemoryType::Unknown;
    std::string generation;  // "DDR5", "DDR4", "DDR3", "unknown (FFh)"
    int size = 256;          // bytes, by generation
    int blockSize = 128;     // bytes of one protection block
    std::vector<bool> protectedBlocks;
    bool permanent = false;  // bytes 0-127 of a 256-byte module, for ever
    [[nodiscard]] bool ddr5() const { return size == 1024; }
    [[nodiscard]] int blockCount() const { return static_cast<int>(protectedBlocks.size()); }
    // "0 1", or "none"
    [[nodiscard]] std::string blockList(bool wantProtected) const;
    // "0-3", or "0"
    [[nodiscard]] std::string blockRange() const;
};

// What the reader/writer said about itself when it was connected.
struct SpdrwDevice {
    std::uint32_t version = 0;
    std::string name;  // printable, other bytes as \xHH
    int clockKHz = 0;  // 100 or 400
};

struct SpdrwWriteResult {
    enum class Outcome { Written, Unchanged, Refused, Failed };
    Outcome outcome = Outcome::Refused;
    std::string message;              // one line
    bool overridable = false;         // refused for the generation or the check bytes: force writes it
    std::optional<spdrw::Bytes> backup;  // the module's image before the write
    std::vector<int> pagesWritten;
    int pagesChanged = 0;
    int totalPages = 0;
};

// Texts only the caller knows: the command that clears a module's protection
// and the words that put a backup (by its SHA-256) back.
struct SpdrwHints {
    std::string clearProtection;
    std::function<std::string(const std::string& sha256)> restoreBackup;
};

class SpdrwLink
{
public:
    explicit SpdrwLink(QString device);
    ~SpdrwLink();
    SpdrwLink(const SpdrwLink&) = delete;
    SpdrwLink& operator=(const SpdrwLink&) = delete;

    // Opens the port (115200 baud, 8-N-1, DTR and RTS on), waits for the ready
    // frame or a short time, drops what else came, then the test, the version
    // (a firmware older than 20231207 or of an older protocol is named), the
    // name and the bus clock.
    bool connect();
    void close();
    [[nodiscard]] bool isOpen() const { return m_port.isOpen(); }
    [[nodiscard]] const std::string& error() const { return m_error; }
    [[nodiscard]] const SpdrwDevice& device() const { return m_info; }
    // "/dev/ttyUSB0"
    [[nodiscard]] std::string portPath() const;

    // Addresses 0x50-0x57 that answer.
    bool scanAddresses(std::vector<std::uint8_t>& addresses);
    // The module at one address: generation (DDR5 detect, DDR4 detect, then
    // byte 2), size, protection per block, permanent protection. False when
    // nothing answers there.
    bool inspect(std::uint8_t address, SpdrwModule& module);
    // Every module on the bus.
    bool scan(std::vector<SpdrwModule>& modules);
    // DDR5 offline mode, as the hub at 0x50 reports it.
    bool offlineMode(bool& offline);

    // The whole image, read twice in aligned 32-byte pieces and compared.
    bool readImage(const SpdrwModule& module, spdrw::Bytes& image);
    // Writes image by the rules: refusals before any byte (size, generation
    // and check bytes unless force), the current image read as the backup
    // (told to backupTaken before the first page is written), only the
    // differing 16-byte pages, none in a protected block, then the whole
    // module read back and compared.
    SpdrwWriteResult writeImage(const SpdrwModule& module, std::span<const std::uint8_t> image, bool force,
                                const SpdrwHints& hints,
                                const std::function<void(const spdrw::Bytes& backup)>& backupTaken);
    // The write rules' refusals, as writeImage applies them: those of the
    // image alone (its size, and unless force its generation and check
    // bytes), and those of the pages it changes (permanent protection, a
    // protected block); nullopt when the rule lets the write go on.
    [[nodiscard]] std::optional<SpdrwWriteResult> refuseImage(const SpdrwModule& module,
                                                              std::span<const std::uint8_t> image, bool force) const;
    std::optional<SpdrwWriteResult> refusePages(const SpdrwModule& module, const std::vector<int>& pages,
                                                const SpdrwHints& hints);
    // Reversible protection, each confirmed by reading the blocks back.
    bool readProtection(SpdrwModule& module);
    bool setProtection(SpdrwModule& module, const std::vector<int>& blocks);
    bool clearProtection(SpdrwModule& module);

    // Hears every alert (after the link has acted on it).
    void setAlertListener(std::function<void(spdrw::Alert)> listener) { m_alertListener = std::move(listener); }
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    void setReadyWait(std::chrono::milliseconds wait) { m_readyWait = wait; }

private:
    using Clock = std::chrono::steady_clock;

    // Sends one request and waits for its frame; alerts on the way are acted
    // on. nullopt (and error()) for no reply, a bad reply, a port failure or a
    // body whose length is not expectedLength (when given).
    std::optional<spdrw::Bytes> transact(const spdrw::Bytes& request, const std::string& what,
                                         int expectedLength = -1,
                                         std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    // The frame of a request already sent.
    std::optional<spdrw::Bytes> awaitReply(const std::string& what, int expectedLength = -1,
                                           std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    std::optional<bool> ask(const spdrw::Bytes& request, const std::string& what);
    // Waits until `until` for the next event; nullopt on timeout or failure
    // (then failed() tells which).
    std::optional<spdrw::ReplyReader::Event> nextEvent(Clock::time_point until);
    // Raw bytes that arrive until `until` (the probes of older firmware).
    spdrw::Bytes collect(Clock::time_point until);
    bool send(const spdrw::Bytes& request);
    void onAlert(spdrw::Alert alert);
    // After a hot-plug alert: the bus again (the firmware's DDR4 page is reset).
    bool rescanIfNeeded();
    bool readOnce(const SpdrwModule& module, spdrw::Bytes& image);
    bool fail(std::string text);
    [[nodiscard]] std::string port() const;

    QString m_path;
    QSerialPort m_port;
    spdrw::ReplyReader m_reader;
    SpdrwDevice m_info;
    std::string m_error;
    bool m_portFailed = false;
    bool m_rescanNeeded = false;
    std::vector<std::uint8_t> m_present;
    std::function<void(spdrw::Alert)> m_alertListener;
    std::chrono::milliseconds m_replyTimeout{1500};
    std::chrono::milliseconds m_readyWait{2500};
};

}  // namespace tessaro
