// The reader/writer's protocol as bytes, and its firmware model without a port.
#include "device/spdrwprotocol.h"
#include "readerwriterdevice.h"

#include <gtest/gtest.h>

using namespace tessaro;
using namespace tessaro::spdrw;
using spdrwsim::DeviceSettings;
using spdrwsim::ReaderWriterDevice;

namespace {

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace

TEST(SpdrwProtocol, RequestsAndFramesAsBytes)
{
    const Bytes page{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::vector<std::pair<Bytes, Bytes>> cases{
        {ReadRequest(0x52, 0x0100, 32), {0x02, 0x52, 0x01, 0x00, 0x20}},
        {WritePageRequest(0x50, 0x3F0, std::span(page).first(2)), {0x04, 0x50, 0x03, 0xF0, 0x02, 1, 2}},
        {Request(Opcode::Rswp, {0x50, 2, kSet}), {0x0F, 0x50, 0x02, 0x01}},
        {NameGetRequest(), {0x14, 0xFF}},
        {ReadyFrame(), {0x26, 0x01, 0x01, 0x01}},
        {Frame(Bytes{0x27, 0xB4, 0x34, 0x01}), {0x26, 0x04, 0x27, 0xB4, 0x34, 0x01, 0x10}},
        {AlertBytes(Alert::ClockLowered), {0x40, 0x5C}},
    };
    for (const auto& [got, want] : cases)
        EXPECT_EQ(got, want);
    EXPECT_EQ(VersionOf(Bytes{0x27, 0xB4, 0x34, 0x01}), 20231207u);
    // The argument count of every command the firmware knows, and silence for the rest.
    EXPECT_EQ(ArgumentCount(0x04, Bytes{0x50, 0, 0, 16}), 20);
    EXPECT_EQ(ArgumentCount(0x08, Bytes{0x50, 0x0C, 0x01}), 4);
    EXPECT_EQ(ArgumentCount(0x14, Bytes{3}), 4);
    EXPECT_EQ(ArgumentCount(0x14, Bytes{0xFF}), 1);
    for (int op : {0x00, 0x01, 0x16, 0x76, 0xFF})
        EXPECT_FALSE(ArgumentCount(static_cast<std::uint8_t>(op), {})) << op;
}

TEST(SpdrwProtocol, ReplyReaderChecksEveryReply)
{
    struct Case {
        Bytes bytes;
        std::vector<ReplyReader::Event::Kind> kinds;
        std::string error;  // part of the last error
    };
    using K = ReplyReader::Event::Kind;
    const Bytes version = Frame(Bytes{0x27, 0xB4, 0x34, 0x01});
    const std::vector<Case> cases{
        {Cat({ReadyFrame(), AlertBytes(Alert::ClockLowered), version}), {K::Frame, K::Alert, K::Frame}, ""},
        {Bytes{0x26, 0x01, 0x01, 0x02}, {K::Error}, "check byte is 02h but whose bytes sum to 01h"},
        {Bytes{0x21}, {K::Error}, "starts with 21h"},
        {Bytes{0x26, 0x00}, {K::Error}, "length 0"},
        {Bytes{0x26, 0x21}, {K::Error}, "length 33"},
        {Bytes{0x40, 0x41}, {K::Error}, "unknown code 41h"},
        {Bytes{0x26, 0x04, 0x27}, {}, ""},  // incomplete: nothing yet
    };
    for (const Case& c : cases) {
        ReplyReader reader;
        // Byte by byte, as a slow line delivers them.
        std::vector<ReplyReader::Event> events;
        for (std::uint8_t b : c.bytes) {
            reader.append(std::span(&b, 1));
            while (auto e = reader.next())
                events.push_back(*e);
        }
        ASSERT_EQ(events.size(), c.kinds.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            EXPECT_EQ(events[i].kind, c.kinds[i]);
        if (!c.error.empty()) {
            EXPECT_NE(events.back().error.find(c.error), std::string::npos) << events.back().error;
        }
    }
}

TEST(SpdrwProtocol, FirmwareFoundIsNamed)
{
    const std::vector<std::tuple<FirmwareFound, FirmwareFound::Kind, std::string>> cases{
        {CheckVersion(20231207), FirmwareFound::Kind::Current, "firmware 20231207"},
        {CheckVersion(20231206), FirmwareFound::Kind::TooOld, "firmware 20231206, which is too old"},
        {ClassifyOlderFirmware(Frame(Bytes{0x05, 0xB1, 0x34, 0x01}), std::nullopt), FirmwareFound::Kind::Generation3,
         "20230405 of the older protocol"},
        {ClassifyOlderFirmware(Bytes{'2', '0', '2', '2', '1', '1', '1', '0'}, std::nullopt),
         FirmwareFound::Kind::Unframed, "20221110 of an older protocol with unframed"},
        {ClassifyOlderFirmware(std::nullopt, Bytes{'!'}), FirmwareFound::Kind::Development, "development"},
        {ClassifyOlderFirmware(std::nullopt, std::nullopt), FirmwareFound::Kind::Nothing, "does not answer"},
    };
    for (const auto& [found, kind, text] : cases) {
        EXPECT_EQ(found.kind, kind);
        EXPECT_NE(FirmwareMessage(found).find(text), std::string::npos) << FirmwareMessage(found);
    }
}

TEST(SpdrwProtocol, PagesAndAddresses)
{
    Bytes a(512, 0);
    Bytes b = a;
    b[0] = 1;
    b[17] = 1;
    b[31] = 1;
    b[511] = 1;
    EXPECT_EQ(DifferingPages(a, b), (std::vector<int>{0, 1, 31}));
    EXPECT_TRUE(DifferingPages(a, a).empty());
    for (const auto& [text, value] : std::vector<std::pair<std::string, int>>{
             {"0x50", 0x50}, {"57", 0x57}, {"0X53", 0x53}, {"0x58", -1}, {"0x4F", -1}, {"5", -1}, {"0x500", -1}, {"zz", -1}}) {
        const auto parsed = ParseAddress(text);
        EXPECT_EQ(parsed ? *parsed : -1, value) << text;
    }
}

// The firmware model: what the driver must survive.
class SpdrwDeviceModel : public ::testing::Test
{
protected:
    static DeviceSettings WithModules()
    {
        DeviceSettings s;
        s.fast = true;
        s.name = {'r', 'w'};
        spdrwsim::SimModule ddr4;
        ddr4.bytes.assign(512, 0x11);
        ddr4.bytes[2] = 0x0C;
        ddr4.protectedBlocks = {false, true, false, false};
        s.modules[0x50] = ddr4;
        spdrwsim::SimModule ddr5;
        ddr5.bytes.assign(1024, 0x22);
        ddr5.bytes[2] = 0x12;
        ddr5.protectedBlocks.assign(16, false);
        ddr5.protectedBlocks[3] = true;
        s.modules[0x51] = ddr5;
        return s;
    }
    // The reply bytes of one command (nothing when the firmware stays silent).
    static Bytes Ask(ReaderWriterDevice& device, const Bytes& request)
    {
        Bytes out;
        for (const auto& o : device.receive(request))
            out.insert(out.end(), o.bytes.begin(), o.bytes.end());
        return out;
    }
};

TEST_F(SpdrwDeviceModel, CommandsQuirksAndProtection)
{
    ReaderWriterDevice device(WithModules());
    const Bytes one = Frame(Bytes{1});
    const Bytes zero = Frame(Bytes{0});
    const Bytes page(16, 0x5A);
    const std::vector<std::tuple<const char*, Bytes, Bytes>> cases{
        {"test", Request(Opcode::Test), one},
        {"scan", Request(Opcode::ScanBus), Frame(Bytes{0x03})},
        {"ddr5 detect", Request(Opcode::Ddr5Detect, {0x51}), one},
        {"ddr4 detect", Request(Opcode::Ddr4Detect, {0x50}), one},
        {"ddr4 detect of the ddr5", Request(Opcode::Ddr4Detect, {0x51}), zero},
        {"size", Request(Opcode::Size, {0x51}), Frame(Bytes{3})},
        {"read of page 1", ReadRequest(0x50, 0x100, 2), Frame(Bytes{0x11, 0x11})},
        {"read of length 0: silence", ReadRequest(0x50, 0, 0), {}},
        {"protected block refuses", WritePageRequest(0x50, 0x80, page), zero},
        {"page crossing refused", WritePageRequest(0x50, 0x08, page), zero},
        {"free block written", WritePageRequest(0x50, 0x100, page), one},
        {"and read back", ReadRequest(0x50, 0x100, 1), Frame(Bytes{0x5A})},
        {"absent write", WritePageRequest(0x55, 0, page), zero},
        {"absent rswp get says protected", Request(Opcode::Rswp, {0x55, 0, kGet}), one},
        {"ddr5 clear outside offline mode", Request(Opcode::Rswp, {0x51, 0, kClear}), zero},
        {"ddr5 block 3 get", Request(Opcode::Rswp, {0x51, 3, kGet}), one},
        {"ddr5 hub register on ddr4", Request(Opcode::Spd5HubReg, {0x50, 0x0C, kGet}), Frame(Bytes{0x00, 0x11})},
        {"ddr4 clear", Request(Opcode::Rswp, {0x50, 0, kClear}), one},
        {"now block 1 takes the page", WritePageRequest(0x50, 0x80, page), one},
        {"pswp set refused on ddr4", Request(Opcode::Pswp, {0x50, kSet}), zero},
        {"name", NameGetRequest(), Frame(Bytes{'r', 'w'})},
        {"unknown opcode: silence", Bytes{0x76}, {}},
        {"factory reset: clock alert", Request(Opcode::FactoryReset), Cat({one, AlertBytes(Alert::ClockLowered)})},
        {"empty name: silence", NameGetRequest(), {}},
        {"clock back up", Request(Opcode::BusClock, {1}), Cat({one, AlertBytes(Alert::ClockRaised)})},
    };
    for (const auto& [what, request, reply] : cases)
        EXPECT_EQ(Ask(device, request), reply) << what;
    // A read longer than the buffer wedges the firmware until it is reset.
    EXPECT_TRUE(Ask(device, ReadRequest(0x50, 0, 33)).empty());
    EXPECT_TRUE(Ask(device, Request(Opcode::Test)).empty());
    EXPECT_EQ(device.reset().bytes, ReadyFrame());
    EXPECT_EQ(Ask(device, Request(Opcode::Test)), one);
    // Missing argument bytes become 00h after the firmware's wait.
    EXPECT_TRUE(device.receive(Bytes{0x0C}).empty());
    const auto late = device.argumentsTimedOut();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].bytes, zero);
}

TEST_F(SpdrwDeviceModel, TimingFaultsAndStartUp)
{
    DeviceSettings settings = WithModules();
    settings.fast = false;
    settings.fastClock = false;
    settings.fault = spdrwsim::Fault::BadSum;
    settings.removeAfter = std::make_pair(std::uint8_t{0x51}, 3);
    ReaderWriterDevice device(settings);
    // In standard clock mode the firmware follows its ready frame with a clock alert.
    EXPECT_EQ(device.reset().bytes, Cat({ReadyFrame(), AlertBytes(Alert::ClockLowered)}));
    // A page write takes the 10 ms write cycle.
    const auto write = device.receive(WritePageRequest(0x50, 0x100, Bytes(16, 1)));
    ASSERT_EQ(write.size(), 1u);
    EXPECT_GE(write[0].busy, std::chrono::milliseconds(10));
    // One of the first four reads carries a wrong check byte.
    int bad = 0;
    for (int i = 0; i < 4; ++i) {
        ReplyReader reader;
        for (const auto& o : device.receive(ReadRequest(0x50, 32 * i, 32)))
            reader.append(o.bytes);
        while (auto e = reader.next())
            bad += e->kind == ReplyReader::Event::Kind::Error;
    }
    EXPECT_EQ(bad, 1);
    // The module removed after the third command: an alert, and the bus without it.
    EXPECT_EQ(Ask(device, Request(Opcode::ScanBus)), Frame(Bytes{0x01}));
}
