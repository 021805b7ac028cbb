#pragma once

#include "core/spdimage.h"
#include "document/spddocument.h"

namespace tessaro {

// What a brand-new document window shows once it has settled after a file was
// opened into it: its own opening (all bytes 0, full decode), the load (store
// and decode byte by byte), the memory-type / check-mode rule of byte 2, and
// the settle pass that decodes every byte once more.
void OpenAndSettle(SpdDocument& document, const SpdImage& image);

}  // namespace tessaro
