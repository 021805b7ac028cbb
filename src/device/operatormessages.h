#pragma once

#include <string>

namespace tessaro {

// The texts of the message boxes that the programmer link and its commands
// show the operator, exactly as the operator sees them (spaces and asterisks
// included).
namespace msg {
inline constexpr const char* kErrorTitle = "錯誤訊息";
inline constexpr const char* kStatusUnreadable = "      *****   無法讀取狀態 !   *****      ";
inline constexpr const char* kRs232Failed = "*****    RS-232 連結失敗    *****";
inline constexpr const char* kDownloadFailed = "      *****   SPD 檔案下傳失敗 !   *****      ";
inline constexpr const char* kCopyCheckSucceeded = "      *****    SPD 檔案下傳成功 !    *****      ";
inline constexpr const char* kCopyCheckDiffers = "      *****    SPD 檔案下傳失敗 !    *****      ";
inline constexpr const char* kCopyCheckFailed = "      *****    SPD 檔案下傳失敗 !   *****      ";
inline constexpr const char* kCompareEqual = "      *****   PC 與 SPD 機器比對成功 !    *****      ";
inline constexpr const char* kCompareDiffers = "      *****   PC 與 SPD 機器比對失敗 !    *****      ";
inline constexpr const char* kReadModuleOk = "*****   電腦讀取模組 SPD 成功!   ***** ";
inline constexpr const char* kReadModuleFailed = "*****   電腦讀取模組 SPD 失敗!   ***** ";
inline constexpr const char* kReadProgrammerOk = "*****   電腦讀取機器 SPD 成功!   ***** ";
inline constexpr const char* kReadProgrammerFailed = "*****   電腦讀取機器 SPD 失敗!   ***** ";
inline constexpr const char* kEraseOk = "*****   SPD燒錄機清除成功 !   *****      ";
inline constexpr const char* kEraseFailed = "*****   SPD燒錄機清除失敗 !   *****      ";
inline constexpr const char* kAutoSerialFailed = "      *****   SPD燒錄機,自動燒錄功能失敗 !   *****      ";
inline constexpr const char* kSwitchFailed = "*****   SPD 讀取失敗 !   *****";
inline constexpr const char* kCopyFailed = "*****   SPD 拷貝失敗 !   *****";
inline constexpr const char* kVerifyFailed = "*****   SPD 比對失敗 !   *****";
inline constexpr const char* kTestFailed = "*****   SPD 測試失敗 !   *****";

// The answer of every programmer command to an image larger than the
// programmer's 256-byte EEPROM: `size` bytes of the `generation` ("DDR4").
inline std::string LargerImageRefusal(int size, const std::string& generation)
{
    const std::string bytes = std::to_string(size);
    return "燒錄器與模組測試器只處理 256 位元組的 SPD EEPROM，這份 " + bytes + " 位元組的 " + generation +
           " 映像不會送到裝置。\nThe programmer and the module tester hold 256-byte SPD EEPROMs only: this " + bytes +
           "-byte " + generation + " image is not sent to the device.";
}
}  // namespace msg

}  // namespace tessaro
