#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The largest image: a DDR5 SPD.
inline constexpr int kMaxImageSize = 1024;

// How many bytes a reader takes: as many as the image's type calls for (256,
// 512 or 1024, see ImageSizeOf), or the first 256 whatever the type, as the
// 256-byte EEPROM of the programmer and the 256-byte document hold.
enum class ImageSizeRule { ByType, First256 };

// The bytes of an image of any size. A truncated image (a 512- or 1024-byte
// type of which only half or more was there: the first 256 bytes of a DDR4 SPD
// as a 256-byte programmer reads it, 512 or more of a DDR5 one) keeps what was
// read; the rest is absent.
struct ImageData {
    std::vector<std::uint8_t> bytes;
    int size = 0;  // 256, 512 or 1024, by the image's type

    [[nodiscard]] bool truncated() const { return static_cast<int>(bytes.size()) < size; }
    // "truncated: 256 of 512 bytes", or empty when the image is whole.
    [[nodiscard]] std::string truncationWarning() const;
};

// Outcome of reading an image; error is empty on success.
struct ImageRead {
    ImageData image;
    std::string error;
    // What follows the image in the data (or the file) it was read from: a
    // rewrite in place drops it. Zero for a hex dump, which is read whole.
    std::uint64_t bytesAfterImage = 0;
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// The size rule for bytes read from anywhere: the image takes as many bytes as
// its type calls for and ignores the rest; fewer than 256 bytes, or fewer than
// its type's size, is an error, except that half or more of a 512- or
// 1024-byte type is read as a truncated image. holder starts the error text ("binary SPD
// file has", "the dump holds").
[[nodiscard]] ImageRead ImageFromBytes(std::span<const std::uint8_t> data, std::string_view holder,
                                       ImageSizeRule rule = ImageSizeRule::ByType);

// Binary form: the image's bytes from offset 0.
[[nodiscard]] ImageRead ParseImageBinary(std::string_view data, ImageSizeRule rule = ImageSizeRule::ByType);

// Text form: 16 lines per 256 bytes (32 for 512, 64 for 1024), byte 16r+k in
// characters 3k+1..3k+3 of line r, blanks trimmed, two hex digits of either
// case; lines end in LF or CR LF and may lack the leading space; characters
// after the 48th and lines after the image are ignored. The first line decides
// the size. A 512- or 1024-byte image whose file ends (only blank lines left)
// after half its lines or more is read as truncated, and its last line may
// then hold fewer than 16 bytes. A trailing end-of-file mark (1Ah) is ignored.
[[nodiscard]] ImageRead ParseImageText(std::string_view data, ImageSizeRule rule = ImageSizeRule::ByType);

// The writers' layouts: per 16 bytes a line of a space, "HH " per byte, CR LF
// (the last line of a truncated image holds what is left); binary as it stands.
[[nodiscard]] std::string ImageTextBytes(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::string ImageBinaryBytes(std::span<const std::uint8_t> bytes);

enum class InputFormat { Binary, Text, Dump, Auto };

// "binary", "text", "dump" or "auto"; nullopt for anything else.
[[nodiscard]] std::optional<InputFormat> InputFormatFromName(std::string_view name);

// The format a file's name calls for when none is given: text for a name
// ending in "spd" (any case), binary otherwise.
[[nodiscard]] InputFormat InputFormatForFileName(std::string_view fileName);

// What "auto" makes of a file's contents (a leading UTF-8 byte-order mark and
// trailing end-of-file marks, 1Ah, aside):
// - text when it holds no control character but tab, LF and CR, and is UTF-8
//   or has at most a quarter of its bytes above 7Fh: the text form when its
//   lines, 16, 32 or 64 of them, all have the text form's 16 fields, a hex
//   dump otherwise;
// - undecided (format Auto, doubt saying why and which --input-format to give)
//   when it has control characters but at least three quarters of its bytes
//   are printable ASCII, tab, LF or CR: a text file with a stray byte, which
//   must not be taken for a binary image;
// - binary otherwise.
// A binary SPD image holds zero bytes and bytes above 7Fh; a real one is
// never three quarters text.
struct FormatGuess {
    InputFormat format = InputFormat::Auto;
    std::string doubt;  // when undecided: one line for the operator
};
[[nodiscard]] FormatGuess GuessInputFormat(std::string_view data);
[[nodiscard]] InputFormat DetectInputFormat(std::string_view data);

// The text of a text file or dump: without a leading UTF-8 byte-order mark and
// the end-of-file marks (Ctrl-Z, 1Ah) some tools append.
[[nodiscard]] std::string_view TextContent(std::string_view data);
inline constexpr char kEndOfFileMark = '\x1A';

// Reads file contents in the given format (Auto guesses it first, and fails
// with the guess's doubt when undecided; a text file that fails as a dump
// says it was read as one).
[[nodiscard]] ImageRead ParseImage(std::string_view data, InputFormat format,
                                   ImageSizeRule rule = ImageSizeRule::ByType);

}  // namespace tessaro
