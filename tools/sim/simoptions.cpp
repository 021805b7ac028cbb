#include "simoptions.h"

#include "core/hex.h"
#include "devicerecords.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <map>

namespace tessaro::sim {

namespace {

bool ParseHexByte(const std::string& text, std::uint8_t& value)
{
    if (text.size() != 2 || HexDigitValue(text[0]) < 0 || HexDigitValue(text[1]) < 0)
        return false;
    value = static_cast<std::uint8_t>(HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]));
    return true;
}

bool ParseWhole(const std::string& text, long long min, long long max, long long& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    value = v;
    return true;
}

bool ParseProbability(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= 0.0 && v <= 1.0))
        return false;
    value = v;
    return true;
}

// "3,17 40": indexes 0-143, comma or blank separated.
bool ParsePins(const std::string& text, std::vector<int>& pins)
{
    pins.clear();
    std::string item;
    auto flush = [&]() {
        if (item.empty())
            return true;
        long long v = 0;
        if (!ParseWhole(item, 0, kSignalCount - 1, v))
            return false;
        if (std::find(pins.begin(), pins.end(), static_cast<int>(v)) == pins.end())
            pins.push_back(static_cast<int>(v));
        item.clear();
        return true;
    };
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!flush())
                return false;
        } else {
            item += c;
        }
    }
    return flush();
}

}  // namespace

const char* SimUsage()
{
    return
        "usage: tessaro-programmer-sim [OPTIONS]\n"
        "\n"
        "Stands in for the SPD programmer / module tester on a pseudo-terminal. Prints the path of the\n"
        "terminal's device side on the first line, then answers until SIGINT or SIGTERM, and finally\n"
        "prints one line \"faults: flipped N, short N, dropped N, lost-writes N\".\n"
        "\n"
        "options:\n"
        "  --spd FILE             the programmer's stored SPD image (default: all 00h)\n"
        "  --module FILE          the module in the socket (default: the socket is empty)\n"
        "                         files whose names end in \"spd\" (any case) are text files, others binary\n"
        "  --version HH           version byte of the status record (default 10); alone, --version\n"
        "                         prints the program's version and exits\n"
        "  --status HH            status byte (default 00: every test function on)\n"
        "  --auto-serial on|off   automatic serial numbering (default off)\n"
        "  --fail power|spd|open|short\n"
        "                         what the next module test (\"p\") reports\n"
        "  --fail-pins LIST       signal indexes 0-143 (comma or blank separated) that fail the next\n"
        "                         module test; without --fail they make it an OPEN FAIL\n"
        "  --silent               take every command in but send no reply at all\n"
        "  --log FILE             write every frame received, time-stamped, one per line\n"
        "  --link PATH            also make a symbolic link PATH to the device side\n"
        "  --unplug-after N       after N frames close the device side, as if the cable were pulled;\n"
        "                         the Nth frame is taken in but not answered (0: at once)\n"
        "  --fast                 send replies at once (default: paced at 9600 baud)\n"
        "  --test-delay MS        time from \"v\" or \"p\" to its test record (default 500)\n"
        "  --fault-seed N         seed of the injected faults (default 1); same seed, same faults\n"
        "  --fault-flip P         probability that an SPD dump carries one flipped bit of one byte\n"
        "  --fault-short P        probability that a reply is cut off at a random length\n"
        "  --fault-drop P         probability that a reply is not sent\n"
        "  --fault-lost-write P   probability that a download row is not stored\n"
        "  --noise random|ff|garbled\n"
        "                         every SPD dump (\"l\", \"k\") is line noise instead: 512 random bytes,\n"
        "                         512 \"F\" (a complete dump of FFh bytes), or the real dump with some\n"
        "                         characters turned into look-alikes that are no hex digits (seeded)\n"
        "  --help                 this text\n"
        "\n"
        "Frames: the command text, then 10h 7Fh; the serial-numbering query is \"s\" then 7Fh alone.\n"
        "A frame that is no command is ignored; the line is back in step after the next 7Fh.\n"
        "Replies are hexadecimal text, byte k at characters 2k+1 and 2k+2:\n"
        "  q          status record, 32 characters: 55 AA 00 00, version, 00 00 00, status, then 00\n"
        "  l          dump of the stored image, 512 characters\n"
        "  k          dump of the module; no reply with an empty socket\n"
        "  s (7Fh)    serial numbering, 16 characters: 55, then 01 (on) or 00 (off), then 00\n"
        "  w0 .. w?   download rows (\"w\", 48+r, 32 digits): store bytes 16r..16r+15, no reply\n"
        "  e          erase the stored image to 00h; a / A  automatic serial numbering on / off\n"
        "  x o s d y b  set status bit 0 1 2 3 5 7 (the function is off); X O S D Y B clear it\n"
        "  r          read the module into the stored image (nothing with an empty socket)\n"
        "  c          copy the stored image to the module (nothing with an empty socket); with\n"
        "             automatic numbering the copy's bytes 95-98 (serial number, high byte first)\n"
        "             are the stored number plus the copies made since the stored image last changed\n"
        "  n          learn: accepted, no reply\n"
        "  v          compare stored image and module: a test record after the test delay, SPD FAIL\n"
        "             when they differ (bytes 95-98 left out with automatic numbering), else PASS;\n"
        "             no pins\n"
        "  p          module test: a test record after the test delay with the configured failure\n"
        "             (then cleared); pass pins are the signals of the module's connector less the\n"
        "             failing ones, none on POWER FAIL; an empty socket gives POWER FAIL, no pins\n"
        "Test record, 256 characters: 55 AA, result in byte 48 (bit 0 POWER, 1 SPD, 2 OPEN,\n"
        "4 SHORT FAIL; 0 PASS), pass bitmap bytes 64-82, fail bitmap bytes 96-114 (signal i is\n"
        "bit i mod 8 of bitmap byte i / 8), all other bytes 00.\n"
        "\n"
        "Exit status: 0 stopped by a signal, 1 a file could not be read or the terminal not opened,\n"
        "2 bad usage.\n";
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& reason)
{
    enum Kind { Flag, Valued };
    static const std::map<std::string, Kind> kOptions = {
        {"--spd", Valued}, {"--module", Valued}, {"--version", Valued}, {"--status", Valued},
        {"--auto-serial", Valued}, {"--fail", Valued}, {"--fail-pins", Valued}, {"--silent", Flag},
        {"--log", Valued}, {"--link", Valued}, {"--unplug-after", Valued}, {"--fast", Flag},
        {"--test-delay", Valued}, {"--fault-seed", Valued}, {"--fault-flip", Valued},
        {"--fault-short", Valued}, {"--fault-drop", Valued}, {"--fault-lost-write", Valued},
        {"--noise", Valued}, {"--help", Flag}};

    DeviceSettings& device = options.device;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto known = kOptions.find(name);
        if (known == kOptions.end()) {
            reason = name.rfind("-", 0) == 0 ? "unknown option " + name : "unexpected argument " + name;
            return false;
        }
        if (known->second == Flag) {
            if (value) {
                reason = name + " takes no value";
                return false;
            }
        } else if (!value) {
            if (i + 1 >= args.size()) {
                reason = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        const std::string v = value.value_or("");
        auto bad = [&](const char* what) {
            reason = "invalid value \"" + v + "\" for " + name + ": " + what;
            return false;
        };
        long long number = 0;
        if (name == "--help") {
            options.help = true;
        } else if (name == "--silent") {
            device.silent = true;
        } else if (name == "--fast") {
            options.fast = true;
        } else if (name == "--spd") {
            options.spdFile = v;
        } else if (name == "--module") {
            options.moduleFile = v;
        } else if (name == "--log") {
            options.logFile = v;
        } else if (name == "--link") {
            options.linkPath = v;
        } else if (name == "--version") {
            if (!ParseHexByte(v, device.version))
                return bad("two hexadecimal digits expected");
        } else if (name == "--status") {
            if (!ParseHexByte(v, device.status))
                return bad("two hexadecimal digits expected");
        } else if (name == "--auto-serial") {
            if (v != "on" && v != "off")
                return bad("on or off expected");
            device.autoSerial = v == "on";
        } else if (name == "--fail") {
            static const std::map<std::string, TestFailure> kFailures = {
                {"power", TestFailure::Power}, {"spd", TestFailure::Spd},
                {"open", TestFailure::Open}, {"short", TestFailure::Short}};
            const auto f = kFailures.find(v);
            if (f == kFailures.end())
                return bad("power, spd, open or short expected");
            device.failure = f->second;
        } else if (name == "--noise") {
            static const std::map<std::string, DumpNoise> kNoises = {
                {"random", DumpNoise::Random}, {"ff", DumpNoise::Flood}, {"garbled", DumpNoise::Garbled}};
            const auto n = kNoises.find(v);
            if (n == kNoises.end())
                return bad("random, ff or garbled expected");
            device.noise = n->second;
        } else if (name == "--fail-pins") {
            if (!ParsePins(v, device.failPins))
                return bad("signal indexes 0-143 expected");
        } else if (name == "--unplug-after") {
            if (!ParseWhole(v, 0, std::numeric_limits<long>::max(), number))
                return bad("a frame count expected");
            options.unplugAfter = static_cast<long>(number);
        } else if (name == "--test-delay") {
            if (!ParseWhole(v, 0, 3600000, number))
                return bad("milliseconds expected");
            device.testDelay = std::chrono::milliseconds(number);
        } else if (name == "--fault-seed") {
            if (!ParseWhole(v, 0, std::numeric_limits<std::uint32_t>::max(), number))
                return bad("a number 0-4294967295 expected");
            device.faultSeed = static_cast<std::uint32_t>(number);
        } else {
            double* rate = name == "--fault-flip"    ? &device.faults.flip
                           : name == "--fault-short" ? &device.faults.shortReply
                           : name == "--fault-drop"  ? &device.faults.drop
                                                     : &device.faults.lostWrite;
            if (!ParseProbability(v, *rate))
                return bad("a probability 0-1 expected");
        }
    }
    return true;
}

}  // namespace tessaro::sim
