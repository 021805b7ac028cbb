#pragma once

#include "core/hex.h"
#include "device/pacingwait.h"
#include "device/programmerlink.h"
#include "device/serialline.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessaro::test {

// A serial line without hardware: records what is written and answers each
// write through `respond`, whose text waits to be read like received bytes.
class FakeLine final : public SerialLine
{
public:
    bool setPortNumber(int number) override
    {
        if (m_open)
            return false;
        port = number;
        return true;
    }
    [[nodiscard]] int portNumber() const override { return port; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    bool open() override
    {
        ++opens;
        m_open = openWorks;
        return m_open;
    }
    void close() override
    {
        if (m_open)
            ++closes;
        m_open = false;
        received.clear();
    }
    bool write(std::string_view bytes) override
    {
        if (!m_open || !writeWorks)
            return false;
        writes.emplace_back(bytes);
        events.push_back("write " + std::string(bytes));
        if (respond)
            received += respond(std::string(bytes));
        return true;
    }
    bool readAvailable(std::string& text) override
    {
        if (!m_open)
            return false;
        text = std::exchange(received, {});
        return true;
    }
    [[nodiscard]] QString errorText() const override { return QStringLiteral("fake line failure"); }

    int port = 1;
    bool openWorks = true;
    bool writeWorks = true;
    int opens = 0;
    int closes = 0;
    std::string received;
    std::vector<std::string> writes;
    std::vector<std::string> events;
    std::function<std::string(const std::string&)> respond;

private:
    bool m_open = false;
};

// A clock for the pacing wait that moves on by itself: no real time passes.
// `afterSleep` may make time jump: a stall, a stopped process, a clock step.
struct FakeClock {
    QTime time{10, 0, 0, 500};
    std::int64_t monotonic = 0;  // milliseconds
    int sleeps = 0;
    std::function<void(FakeClock&)> afterSleep;
    PacingClock clock()
    {
        return {[this] { return time; },
                [this](int ms) {
                    ++sleeps;
                    time = time.addMSecs(ms);
                    monotonic += ms;
                    if (afterSleep)
                        afterSleep(*this);
                },
                [this] { return monotonic; }};
    }
};

// Runs the test's own event loop until `done` holds.
template <typename Done>
void RunEventsUntil(Done done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Starts a command of `link` with `start` and runs the test's own event loop
// until it has ended and shown its messages; true when it succeeded.
inline bool Finish(ProgrammerLink& link, const std::function<void()>& start)
{
    bool ok = false;
    QEventLoop loop;
    const QMetaObject::Connection connection =
        QObject::connect(&link, &ProgrammerLink::commandFinished, &loop, [&](bool result) {
            ok = result;
            loop.quit();
        });
    start();
    if (link.busy())
        loop.exec();
    QObject::disconnect(connection);
    return ok;
}

// A status record with version and status byte at their places.
inline std::string StatusReply(const std::string& version, const std::string& status)
{
    return "55AA0000" + version + "000000" + status + "00000000000000";
}

// A test record: result byte 48, pass bitmap bytes 64-82, fail bitmap 96-114.
inline std::string TestRecordText(std::uint8_t result, const std::vector<int>& pass, const std::vector<int>& fail)
{
    std::array<std::uint8_t, 128> bytes{};
    bytes[0] = 0x55;
    bytes[1] = 0xAA;
    bytes[48] = result;
    for (int p : pass)
        bytes[static_cast<std::size_t>(64 + p / 8)] |= static_cast<std::uint8_t>(1 << (p % 8));
    for (int p : fail)
        bytes[static_cast<std::size_t>(96 + p / 8)] |= static_cast<std::uint8_t>(1 << (p % 8));
    return HexString(bytes);
}

}  // namespace tessaro::test
