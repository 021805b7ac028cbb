#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace tessaro {

// The clipboard of both document windows: bytes go out as hex text
// ("80 08 08 0E", 16 to a line) and come back from that text or any hex dump
// the command line reads.

// Puts the bytes on the clipboard; returns the status-bar note.
QString CopyBytesToClipboard(std::span<const std::uint8_t> bytes);

struct ClipboardBytes {
    std::vector<std::uint8_t> bytes;  // the bytes read, at most as many as asked for
    std::uint64_t notKept = 0;        // bytes of the text beyond those
    QString problem;                  // the status-bar note when the text holds no bytes
};
// The hex bytes on the clipboard.
[[nodiscard]] ClipboardBytes ReadClipboardBytes();

// The status-bar note after a paste of `written` bytes, `dropped` of the text
// having been beyond the end of the image.
[[nodiscard]] QString PastedNote(int written, std::uint64_t dropped);

}  // namespace tessaro
