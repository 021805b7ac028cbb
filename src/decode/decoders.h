#pragma once

#include "core/spdimage.h"
#include "decode/decodedview.h"

namespace tessaro {

// Refreshes the decoded text of the field that byte `index` belongs to: keeps
// byte 2 as the context's current memory type, titles the module I/O panel,
// then shows the DDR3 panels and runs DecodeDdr3Byte when byte 2 is above 8
// (UsesDdr3Layout), or shows the SDR/DDR/DDR2 panels and runs
// DecodeSdrDdrDdr2Byte otherwise.
void DecodeByte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index);

// Decoder of images whose byte 2 is 8 or less (SDR 4, DDR 7, DDR2 8).
void DecodeSdrDdrDdr2Byte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index);

// Decoder of images whose byte 2 is above 8 (DDR3 and the FB-DIMM codes).
void DecodeDdr3Byte(const SpdImage& image, DecodedView& view, DecodeContext& context, int index);

// Decodes bytes 0-255 in ascending order.
void DecodeAll(const SpdImage& image, DecodedView& view, DecodeContext& context);

// The current module form that stands for a small-outline module.
inline constexpr std::int16_t kSmallOutlineForm = 4;

}  // namespace tessaro
