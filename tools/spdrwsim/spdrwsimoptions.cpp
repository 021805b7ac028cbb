#include "spdrwsimoptions.h"

#include "files/imagefile.h"

#include <algorithm>
#include <sstream>

namespace tessaro::spdrwsim {

namespace {

std::optional<long> Number(const std::string& text, long low, long high)
{
    if (text.empty() || text.size() > 12 || !std::all_of(text.begin(), text.end(), ::isdigit))
        return std::nullopt;
    const long value = std::stol(text);
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool SplitAssignment(const std::string& text, std::string& left, std::string& right)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    left = text.substr(0, eq);
    right = text.substr(eq + 1);
    return true;
}

bool ParseFault(const std::string& text, DeviceSettings& device)
{
    std::string name = text;
    std::string value;
    if (!SplitAssignment(text, name, value))
        name = text;
    static const std::vector<std::pair<std::string, Fault>> plain{
        {"no-reply", Fault::NoReply}, {"flip", Fault::Flip}, {"flip-write", Fault::FlipWrite},
        {"bad-sum", Fault::BadSum},   {"stuck-bus", Fault::StuckBus}};
    for (const auto& [word, fault] : plain) {
        if (text == word) {
            device.fault = fault;
            return true;
        }
    }
    if (name == "nack-page" || name == "disconnect-after") {
        const auto n = Number(value, name == "nack-page" ? 0 : 1, name == "nack-page" ? 63 : 1'000'000);
        if (!n)
            return false;
        device.fault = name == "nack-page" ? Fault::NackPage : Fault::DisconnectAfter;
        device.faultValue = static_cast<int>(*n);
        return true;
    }
    return false;
}

}  // namespace

const char* SpdrwSimUsage()
{
    return "usage: tessaro-spdrw-sim [OPTIONS]\n"
           "A stand-in for the open SPD reader/writer (firmware 20231207) on a pseudo-terminal; the path of its\n"
           "device side is the first line of stdout. Opening that device resets it: the ready frame follows.\n"
           "\n"
           "  --module ADDR=FILE     a module at ADDR (0x50-0x57) holding FILE's image; 256 bytes: DDR3 and older,\n"
           "                         512: DDR4, 1024: DDR5 (repeatable)\n"
           "  --protect ADDR=BLOCKS  reversible protection on the blocks (\"0x50=0,1\")\n"
           "  --permanent ADDR       permanent protection (256-byte modules)\n"
           "  --offline              DDR5 offline mode (protection can be cleared)\n"
           "  --name TEXT            the device's name (up to 16 characters; none: the name query gets no reply)\n"
           "  --version N            the firmware version it reports (default 20231207)\n"
           "  --protocol 3|4         4: binary commands (default); 3: the older firmware with letter commands\n"
           "  --clock 100|400        the stored bus clock in kHz (default 400; 100 sends a clock alert at start)\n"
           "  --fast                 no 10 ms write cycle, no bus or line time, no start delay\n"
           "  --boot-delay MS        time from the port opening to the ready frame (default 500)\n"
           "  --log FILE             every command received, with a time stamp\n"
           "  --save DIR             the modules' images written to DIR/0x50.bin ... on exit\n"
           "  --link PATH            a symbolic link to the device\n"
           "  --fail KIND            no-reply | nack-page=N | flip | flip-write | bad-sum | disconnect-after=N |\n"
           "                         stuck-bus\n"
           "  --remove-after ADDR=N  take the module at ADDR off the bus after N commands (a hot-plug alert)\n"
           "  --seed N               the seed of the faults and of what an absent address reads (default 1)\n"
           "  --help | --version     this text | the program's version\n";
}

bool ParseSpdrwSimOptions(const std::vector<std::string>& args, SpdrwSimOptions& options, std::string& reason)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                reason = a + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        const auto address = [&](const std::string& text) {
            const auto parsed = spdrw::ParseAddress(text);
            if (!parsed)
                reason = "invalid address \"" + text + "\" (0x50-0x57)";
            return parsed;
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--offline") {
            options.device.offline = true;
        } else if (a == "--fast") {
            options.device.fast = true;
        } else if (a == "--module" || a == "--protect" || a == "--remove-after") {
            const auto v = value();
            std::string left, right;
            if (!v)
                return false;
            if (!SplitAssignment(*v, left, right)) {
                reason = a + " needs ADDR=" + (a == "--module" ? "FILE" : a == "--protect" ? "BLOCKS" : "N");
                return false;
            }
            const auto addr = address(left);
            if (!addr)
                return false;
            if (a == "--module") {
                if (right.empty()) {
                    reason = "--module needs a file name after " + left + "=";
                    return false;
                }
                options.moduleFiles.emplace_back(*addr, right);
            } else if (a == "--remove-after") {
                const auto n = Number(right, 1, 1'000'000);
                if (!n) {
                    reason = "invalid --remove-after count \"" + right + "\"";
                    return false;
                }
                options.device.removeAfter = std::make_pair(*addr, static_cast<int>(*n));
            } else {
                std::vector<int> blocks;
                std::stringstream list(right);
                for (std::string item; std::getline(list, item, ',');) {
                    const auto block = Number(item, 0, 15);
                    if (!block) {
                        reason = "invalid block \"" + item + "\" in --protect (0-15)";
                        return false;
                    }
                    blocks.push_back(static_cast<int>(*block));
                }
                options.protect.emplace_back(*addr, blocks);
            }
        } else if (a == "--permanent") {
            const auto v = value();
            if (!v)
                return false;
            const auto addr = address(*v);
            if (!addr)
                return false;
            options.permanent.push_back(*addr);
        } else if (a == "--name") {
            const auto v = value();
            if (!v)
                return false;
            if (v->size() > spdrw::kMaxNameLength) {
                reason = "--name takes at most 16 characters";
                return false;
            }
            options.device.name.assign(v->begin(), v->end());
        } else if (a == "--version") {
            const auto v = value();
            const auto n = v ? Number(*v, 0, 0xFFFFFFFFL) : std::nullopt;
            if (!n) {
                reason = v ? "invalid --version \"" + *v + "\"" : reason;
                return false;
            }
            options.device.version = static_cast<std::uint32_t>(*n);
        } else if (a == "--protocol") {
            const auto v = value();
            if (!v || (*v != "3" && *v != "4")) {
                reason = "--protocol takes 3 or 4";
                return false;
            }
            options.device.protocol = *v == "3" ? 3 : 4;
        } else if (a == "--clock") {
            const auto v = value();
            if (!v || (*v != "100" && *v != "400")) {
                reason = "--clock takes 100 or 400";
                return false;
            }
            options.device.fastClock = *v == "400";
        } else if (a == "--boot-delay") {
            const auto v = value();
            const auto n = v ? Number(*v, 0, 60'000) : std::nullopt;
            if (!n) {
                reason = "--boot-delay takes milliseconds, 0-60000";
                return false;
            }
            options.bootDelayMs = static_cast<int>(*n);
        } else if (a == "--seed") {
            const auto v = value();
            const auto n = v ? Number(*v, 0, 0xFFFFFFFFL) : std::nullopt;
            if (!n) {
                reason = "--seed takes a whole number";
                return false;
            }
            options.device.seed = static_cast<unsigned>(*n);
        } else if (a == "--fail") {
            const auto v = value();
            if (!v)
                return false;
            if (!ParseFault(*v, options.device)) {
                reason = "invalid --fail \"" + *v +
                         "\" (no-reply, nack-page=N, flip, flip-write, bad-sum, disconnect-after=N, stuck-bus)";
                return false;
            }
        } else if (a == "--log" || a == "--save" || a == "--link") {
            const auto v = value();
            if (!v)
                return false;
            if (v->empty()) {
                reason = a + " needs a path";
                return false;
            }
            (a == "--log" ? options.logFile : a == "--save" ? options.saveDir : options.linkPath) = *v;
        } else {
            reason = "unknown option \"" + a + "\"";
            return false;
        }
    }
    return true;
}

bool LoadModules(SpdrwSimOptions& options, std::string& reason, bool* usage)
{
    *usage = false;
    for (const auto& [address, file] : options.moduleFiles) {
        const ImageRead read = ReadImageFile(file, InputFormatForFileName(file));
        if (!read.ok() || read.image.truncated()) {
            reason = read.ok() ? "\"" + file + "\": " + read.image.truncationWarning() : read.error;
            return false;
        }
        SimModule module;
        module.bytes = read.image.bytes;
        module.protectedBlocks.assign(static_cast<std::size_t>(BlockCountForSize(module.bytes.size())), false);
        options.device.modules[address] = module;
    }
    const auto moduleFor = [&](std::uint8_t address) -> SimModule* {
        const auto it = options.device.modules.find(address);
        if (it == options.device.modules.end()) {
            reason = "no --module at " + spdrw::AddressText(address);
            *usage = true;
            return nullptr;
        }
        return &it->second;
    };
    for (const auto& [address, blocks] : options.protect) {
        SimModule* module = moduleFor(address);
        if (!module)
            return false;
        for (int block : blocks) {
            if (block >= static_cast<int>(module->protectedBlocks.size())) {
                reason = "the module at " + spdrw::AddressText(address) + " has blocks 0-" +
                         std::to_string(module->protectedBlocks.size() - 1);
                *usage = true;
                return false;
            }
            module->protectedBlocks[static_cast<std::size_t>(block)] = true;
        }
    }
    for (std::uint8_t address : options.permanent) {
        SimModule* module = moduleFor(address);
        if (!module)
            return false;
        if (module->bytes.size() != 256) {
            reason = "permanent protection exists only on 256-byte modules; " + spdrw::AddressText(address) +
                     " holds " + std::to_string(module->bytes.size()) + " bytes";
            *usage = true;
            return false;
        }
        module->permanent = true;
    }
    return true;
}

}  // namespace tessaro::spdrwsim
