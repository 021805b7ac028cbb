#pragma once

#include "files/imageformat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// Bytes read from a hex dump; error is empty on success.
struct DumpBytes {
    std::vector<std::uint8_t> bytes;  // the first bytes of the dump, at most the limit asked for
    std::uint64_t count = 0;          // all bytes the dump holds
    std::string error;                // one line, naming the dump's line at fault
    // When the last line of bytes ended early and no offset line tells where
    // the data ends: "line 33 ends its bytes at "x1"" (the dump may be cut).
    std::string cutShort;
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Reads the hex dumps that common tools print, lines split at LF, CR LF or CR
// and numbered from 1:
//   bare bytes      23 11 0C 03 46 29 00 08          (any number per line)
//   offset + colon  0000: 23 11 0C ...   00: 23 11 0c ...  (i2cdump, its header skipped)
//   hexdump -C      00000000  23 11 0c ... 00  |#...F)..|   then "*" and a last offset
//   xxd             00000000: 2311 0c03 4629 0008  #...F)..
//   xxd -p          23110c034629000800600003020300000000050d0000...
// Blank lines and lines starting with '#' are skipped, but a line of bytes
// commented out with '#' is an error (the bytes after it would move). Every
// line of bytes has the form of the first: offsets (and "*") or none. An offset line holds at
// most 16 bytes (two-digit tokens, and after a colon also groups of 4 or 8
// digits in written order); the first other token starts its text column,
// which is ignored. Its offset must equal the bytes read so far; an offset line
// without bytes ends the data. "*" repeats the previous line's bytes up to the
// next offset line. Every token of a bare line must be a two-digit byte. Only
// the first keep bytes are stored; count tells how many there were. A dump
// whose first line is one run of more than 16 hex digits is plain ("xxd -p"):
// every line is such a run of an even number of digits, no offsets. Bytes
// that would run past offset FFFFFFFFFFFFFFFFh are an error.
[[nodiscard]] DumpBytes ReadHexDumpBytes(std::string_view text, std::size_t keep = kMaxImageSize);

// A hex dump read into an image by the size rule of binary files; a dump
// that would give a truncated image but whose last line of bytes ended early
// (see cutShort) is an error, for the line may have lost bytes.
[[nodiscard]] ImageRead ParseHexDump(std::string_view text, ImageSizeRule rule = ImageSizeRule::ByType);

}  // namespace tessaro
