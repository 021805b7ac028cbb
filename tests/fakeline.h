#pragma once

#include "device/serialline.h"
#include "device/settlewait.h"

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
struct FakeClock {
    QTime time{10, 0, 0, 500};
    int sleeps = 0;
    SettleClock clock()
    {
        return {[this] { return time; },
                [this](int ms) {
                    ++sleeps;
                    time = time.addMSecs(ms);
                }};
    }
};

}  // namespace tessaro::test
