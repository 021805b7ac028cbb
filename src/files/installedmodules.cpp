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

// Reads a file of the tree when its real place, every link followed, lies
// inside `tree` (the real place of ROOT/sys): a link that leads elsewhere is
// refused, whatever it points at.
FileContents ReadTreeFile(const std::filesystem::path& file, const std::filesystem::path& tree, std::size_t maxBytes)
{
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(file, ec);
    if (ec)
        return ReadRegularFile(file.string(), maxBytes);  // says why it cannot be opened
    if (tree.empty() || std::mismatch(tree.begin(), tree.end(), real.begin(), real.end()).first != tree.end()) {
        FileContents outside;
        outside.error = "cannot read \"" + file.string() + "\": it leads outside " + tree.string() + " (to " +
                        real.string() + ")";
        return outside;
    }
    return ReadRegularFile(real.string(), maxBytes);
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
    const fs::path sys = fs::path(root.empty() ? "/" : root) / "sys";
    const fs::path tree = fs::canonical(sys, ec);
    fs::directory_iterator it(devices, ec);
    // ROOT/sys without an I2C bus: no driver made one, which the hint explains.
    if (ec == std::errc::no_such_file_or_directory && fs::is_directory(sys))
        return scan;
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const std::optional<DeviceName> name = ParseDeviceName(entry);
        if (!name)
            continue;
        const FileContents nameFile = ReadTreeFile(it->path() / "name", tree, kLongestName);
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
        const FileContents eeprom = ReadTreeFile(module.path, tree, kMaxImageSize);
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
    if (ec) {
        scan.error = "cannot read " + scan.devicesFolder + ": " + ec.message();
        return scan;
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
