#pragma once

#include "files/imageformat.h"

#include <string>
#include <vector>

namespace tessaro {

// The SPD EEPROM of one memory module as the Linux kernel shows it.
struct InstalledModule {
    std::string entry;    // the device's folder name, "<bus>-<address>" ("0-0050")
    int bus = 0;          // the I2C bus number (0)
    std::string address;  // the address as the folder name writes it ("0050")
    std::string driver;   // the device's name: "spd", "ee1004", "spd5118" or "eeprom"
    std::string path;     // the eeprom file read
    ImageRead image;      // the image, or why this device could not be read
};

struct InstalledModules {
    std::string devicesFolder;             // ROOT/sys/bus/i2c/devices
    std::vector<InstalledModule> modules;  // by bus, then address
    // Why the folder could not be read ("cannot read ROOT/sys/bus/i2c/devices:
    // Permission denied"); empty when it was read, or when ROOT/sys is there
    // without an I2C bus (no driver loaded: no modules, not an error).
    std::string error;

    [[nodiscard]] bool found() const { return !modules.empty(); }
};

// Scans ROOT/sys/bus/i2c/devices for the devices of the kernel's SPD drivers
// (at24 as "spd", ee1004 for DDR4, spd5118 for DDR5, the former "eeprom"
// driver) and reads each one's eeprom file. A device that cannot be read is
// listed with its error; the others are read all the same. Only regular files
// whose real place lies inside ROOT/sys are read (the kernel's device links
// lead to ROOT/sys/devices), at most 1024 bytes of each.
[[nodiscard]] InstalledModules ScanInstalledModules(const std::string& root = "/");

// One line for a machine where no module was found.
[[nodiscard]] std::string NoInstalledModulesHint(const InstalledModules& scan);

}  // namespace tessaro
