#pragma once

#include "core/spdimage.h"
#include "faultinjector.h"
#include "framereader.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::sim {

// The failure the next module test reports.
enum class TestFailure { None, Power, Spd, Open, Short };

struct DeviceSettings {
    SpdImage stored{};                 // the programmer's own SPD image
    std::optional<SpdImage> module;    // the module in the socket; none: the socket is empty
    std::uint8_t version = 0x10;
    std::uint8_t status = 0x00;        // a set bit switches a test function off
    bool autoSerial = false;
    TestFailure failure = TestFailure::None;
    std::vector<int> failPins;         // signal indexes 0-143
    bool silent = false;               // take every command in, answer none
    std::chrono::milliseconds testDelay{500};  // from "v" / "p" to their test record
    FaultRates faults;
    DumpNoise noise = DumpNoise::None;  // what every SPD dump is replaced with
    std::uint32_t faultSeed = 1;
};

// A reply that leaves only after a delay (a test record, once the test is done).
struct DeferredReply {
    std::chrono::milliseconds delay{0};
    std::string text;
};

struct DeviceOutput {
    bool accepted = true;                 // false: the frame was no command and was ignored
    std::string reply;                    // to send at once
    std::vector<DeferredReply> deferred;  // to send after their delays
};

// The SPD programmer / module tester without its line: frames in, replies
// out, and the state the commands change. Window- and port-independent.
class ProgrammerDevice
{
public:
    explicit ProgrammerDevice(DeviceSettings settings);

    // Bytes as they arrive, in any pieces; the output of every frame they
    // complete, in order.
    DeviceOutput feed(std::string_view bytes);
    // One frame.
    DeviceOutput handle(const Frame& frame);

    [[nodiscard]] const SpdImage& stored() const { return m_settings.stored; }
    [[nodiscard]] const std::optional<SpdImage>& module() const { return m_settings.module; }
    [[nodiscard]] std::uint8_t status() const { return m_settings.status; }
    [[nodiscard]] std::uint8_t version() const { return m_settings.version; }
    [[nodiscard]] bool autoSerial() const { return m_settings.autoSerial; }
    [[nodiscard]] TestFailure pendingFailure() const { return m_settings.failure; }
    [[nodiscard]] int framesRejected() const { return m_rejected; }
    [[nodiscard]] const FaultCounts& faultCounts() const { return m_faults.counts(); }
    [[nodiscard]] std::string faultSummary() const { return m_faults.summary(); }

private:
    void command(char letter, DeviceOutput& out);
    void storeRow(int row, const std::string& digits);
    void setStored(const SpdImage& image);
    void copyToModule();
    void sendNow(DeviceOutput& out, std::string text);
    void sendDump(DeviceOutput& out, SpdImage image);
    void sendLater(DeviceOutput& out, std::string text);
    [[nodiscard]] std::string compareRecord() const;
    [[nodiscard]] std::string moduleTestRecord();

    DeviceSettings m_settings;
    FrameReader m_reader;
    FaultInjector m_faults;
    std::uint32_t m_copiesNumbered = 0;
    int m_rejected = 0;
};

}  // namespace tessaro::sim
