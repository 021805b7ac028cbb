#pragma once

#include "core/spdimage.h"

#include <QString>

namespace tessaro {

// The note of an image whose stored checksum or CRC disagrees with its bytes,
// in the windows' language (CheckBytesMismatch says the same for the command
// line); empty when they agree.
[[nodiscard]] QString CheckMismatchNote(const SpdImage& image);

}  // namespace tessaro
