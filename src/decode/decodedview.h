#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessaro {

// Fields of the SDR/DDR/DDR2 panel pair, in panel order: the first sixteen are
// in "SPD 資訊", the rest in "模組製造資訊".
enum class LegacyField {
    MemoryType, Rows, Cols, ModuleBanks, InterfaceLevel, DramClock, DimmType, RefreshTime,
    DataWidth, ClSupport, Trp, Trrd, Trcd, Tras, BankDensity, Checksum,
    JedecId, Location, PartNumber, Revision, DateCode, SerialNumber, SpecificData,
};
inline constexpr int kLegacyFieldCount = 23;

// Fields of the DDR3 panel pair, in panel order (the CRC item is kept apart).
enum class Ddr3Field {
    ModuleType, ModuleDensity, ModuleRanks, ModuleBusWidth, ModuleSpeed, MemoryType,
    SdramDensity, SdramBanks, Rows, Cols, SdramWidth, ClSupport, Trp, Trrd, Trcd, Tras,
    Location, Date, SerialNumber, PartNumber, Revision, ManufacturerId, SpecificData,
};
inline constexpr int kDdr3FieldCount = 23;
inline constexpr int kInfoPanelFieldCount = 16;  // both pairs

// Field captions exactly as the panels write them.
extern const std::array<const char*, kLegacyFieldCount> kLegacyCaptions;
extern const std::array<const char*, kDdr3FieldCount> kDdr3Captions;

inline constexpr const char* kInfoPanelTitle = "SPD 資訊";
inline constexpr const char* kManufacturingPanelTitle = "模組製造資訊";
inline constexpr const char* kIoPanelDesignTitle = "模組 I/O";
inline constexpr const char* kCrcDesignCaption = "CRC (0-125)";
inline constexpr const char* kCrcOptionDesignCaption = "CRC(0-125)";

// Application-wide values left by the last decoder call in any window.
struct DecodeContext {
    std::int16_t currentMemoryType = 0;  // byte 2 of the image last dispatched, as is (MemoryTypeOf names it)
    std::int16_t currentModuleForm = 0;  // 4: a small-outline module
    bool operator==(const DecodeContext&) const = default;
};

// Every text of both decoded panel pairs of one document, with their visibility.
// A text keeps its value until its byte is decoded again; a text no decode has
// set yet is empty.
struct DecodedView {
    std::array<std::string, kLegacyFieldCount> legacy;
    std::string legacyManufacturerName;
    bool legacyManufacturerNameVisible = true;

    std::array<std::string, kDdr3FieldCount> ddr3;
    std::string ddr3ManufacturerName;
    std::string crcCaption = kCrcDesignCaption;
    std::string crcValue;

    bool ddr3PanelsShown = false;          // false: the SDR/DDR/DDR2 pair is shown
    std::string ioPanelTitle = kIoPanelDesignTitle;
    std::uint8_t securityCode = 0;         // the value "Secrity on SPD(7F)" writes into byte 127
    std::string crcOptionCaption = kCrcOptionDesignCaption;  // caption of check-mode button 1

    [[nodiscard]] std::string& operator[](LegacyField f) { return legacy[static_cast<std::size_t>(f)]; }
    [[nodiscard]] const std::string& operator[](LegacyField f) const { return legacy[static_cast<std::size_t>(f)]; }
    [[nodiscard]] std::string& operator[](Ddr3Field f) { return ddr3[static_cast<std::size_t>(f)]; }
    [[nodiscard]] const std::string& operator[](Ddr3Field f) const { return ddr3[static_cast<std::size_t>(f)]; }
    bool operator==(const DecodedView&) const = default;
};

}  // namespace tessaro
