// The DXT5 alpha fit: a six-value and an eight-value pass, each an iterated local search around
// least-squares endpoints. Reads only its arguments; safe on any thread.
#pragma once

#include <cstdint>

namespace pallograph {

// Writes the 8-byte alpha half (alpha 0, alpha 1, 48 bits of 3-bit indices) for the alphas of
// 16 pixels (64 bytes B, G, R, A).
void EncodeAlphaBlock(uint8_t* dst, const uint8_t* pixels);

// The palette a decoder derives from the two endpoints (six-value mode when alpha0 <= alpha1).
void AlphaPalette(uint8_t alpha0, uint8_t alpha1, uint8_t palette[8]);

}  // namespace pallograph
