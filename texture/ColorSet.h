// The prepared form of one 4x4 block that the colour fit works on, and the flags that steer a
// whole encode. The ColorSet is also the payload of a queued colour job, so its layout is fixed.
#pragma once

#include <cstdint>

namespace pallograph {

// Flags passed down one encode.
inline constexpr uint8_t kDxtFlagDxt1 = 0x01;         // 8-byte DXT1 blocks; clear: 16-byte DXT5
inline constexpr uint8_t kDxtFlagIgnoreAlpha = 0x02;  // every pixel counts as opaque for the fit
inline constexpr uint8_t kDxtFlagQueue = 0x70;        // hand the fits to the parallel encoder

struct ColorSet {
  uint8_t DXT1;
  uint8_t IgnoreAlpha;
  uint8_t HasTransparent;
  uint8_t BinaryAlpha;   // every alpha is 0 or 255
  uint32_t Count;        // distinct colours, 0..16
  uint32_t Pixels[16];   // RGB in the low 24 bits, the alpha used for weighting in the top byte
  uint32_t Colors[16];   // distinct colours 0x00RRGGBB in order of first appearance
  uint32_t Weights[16];  // per distinct colour, the sum of its pixels' alphas
  uint8_t Remap[16];     // per pixel its distinct colour, 0xFF for a transparent pixel
};
static_assert(sizeof(ColorSet) == 216, "ColorSet is a fixed 216-byte job payload");

}  // namespace pallograph
