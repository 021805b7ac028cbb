#include "files/installedmodules.h"

#include "core/hex.h"
#include "files/regularfile.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

namespace tessaro {

namespace {

constexpr std::array<std::string_view, 4> kSpdDrivers = {"spd", "ee1004", "spd5118", "eeprom"};
constexpr std::size_t kLongestName = 64;

struct DeviceName {
    int bus = 0;
    std::string address;
    unsigned addressValue = 0;
};

// "<bus>-<address>": a decimal bus number and four hex digits ("0-0050",
// "12-0051"); adapters ("i2c-0") and other entries do not match.
std::optional<DeviceName> ParseDeviceName(std::string_view name)
{
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 6 || name.size() - dash - 1 != 4)
        return std::nullopt;
    DeviceName device;
    for (char c : name.substr(0, dash)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        device.bus = device.bus * 10 + (c - '0');
    }
    device.address = std::string(name.substr(dash + 1));
    for (char c : device.address) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        device.addressValue = device.addressValue << 4 | static_cast<unsigned>(digit);
    }
    return device;
}

std::string_view TrimLine(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

InstalledModules ScanInstalledModules(const std::string& root)
{
    namespace fs = std::filesystem;
    InstalledModules scan;
    const fs::path devices = fs::path(root.empty() ? "/" : root) / "sys" / "bus" / "i2c" / "devices";
    scan.devicesFolder = devices.string();

    struct Found {
        DeviceName name;
        InstalledModule module;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const std::optional<DeviceName> name = ParseDeviceName(entry);
        if (!name)
            continue;
        const FileContents nameFile = ReadRegularFile((it->path() / "name").string(), kLongestName);
        if (!nameFile.ok())
            continue;
        const std::string_view driver = TrimLine(nameFile.data);
        if (std::find(kSpdDrivers.begin(), kSpdDrivers.end(), driver) == kSpdDrivers.end())
            continue;

        Found device{*name, {}};
        InstalledModule& module = device.module;
        module.entry = entry;
        module.bus = name->bus;
        module.address = name->address;
        module.driver = std::string(driver);
        module.path = (it->path() / "eeprom").string();
        const FileContents eeprom = ReadRegularFile(module.path, kMaxImageSize);
        if (!eeprom.ok()) {
            module.image.error = eeprom.error;
        } else if (eeprom.data.empty()) {
            module.image.error = "\"" + module.path + "\": the eeprom file is empty";
        } else {
            module.image = ImageFromBytes(
                std::span(reinterpret_cast<const std::uint8_t*>(eeprom.data.data()), eeprom.data.size()),
                "the eeprom file holds");
            if (!module.image.ok())
                module.image.error = "\"" + module.path + "\": " + module.image.error;
        }
        found.push_back(std::move(device));
    }

    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.name.bus != b.name.bus ? a.name.bus < b.name.bus : a.name.addressValue < b.name.addressValue;
    });
    for (Found& device : found)
        scan.modules.push_back(std::move(device.module));
    return scan;
}

std::string NoInstalledModulesHint(const InstalledModules& scan)
{
    return "no SPD devices in " + scan.devicesFolder +
           ": the kernel drivers ee1004 (DDR4), spd5118 (DDR5) and at24 (\"spd\", older modules) provide them "
           "(modprobe them, or instantiate the device through new_device); on DDR5 boards whose firmware "
           "disables SPD writes they stay hidden";
}

}  // namespace tessaro
