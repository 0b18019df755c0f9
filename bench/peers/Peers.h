// Peer block encoders measured beside this codec in the texture benchmark. Built only into the
// benchmark, from sources outside the project (see bench/CMakeLists.txt). Pixels come in this
// codec's block layout: 16 pixels B, G, R, A, row-major.
#pragma once

#include <cstdint>

namespace peers {

// This codec's B, G, R, A pixels in the R, G, B, A order the peers take.
inline void BgraToRgba(const uint8_t* bgra, uint8_t rgba[64]) {
  for (int i = 0; i < 16; ++i) {
    rgba[4 * i + 0] = bgra[4 * i + 2];
    rgba[4 * i + 1] = bgra[4 * i + 1];
    rgba[4 * i + 2] = bgra[4 * i + 0];
    rgba[4 * i + 3] = bgra[4 * i + 3];
  }
}

// icbc level 8 (AVX2 build). DXT1 uses three-colour mode where the block has pixels below the
// DXT1 threshold, weighting them 0; the DXT5 colour half is its four-colour block, paired with
// rgbcx's BC4 alpha (icbc has no alpha encoder).
void IcbcInit();
void IcbcDxt1(const uint8_t* bgra, uint8_t* out);
void IcbcDxt5(const uint8_t* bgra, uint8_t* out);

// rgbcx level 10, DXT1 with three-colour blocks allowed, DXT5 with its best alpha.
void RgbcxInit();
void RgbcxDxt1(const uint8_t* bgra, uint8_t* out);
void RgbcxDxt5(const uint8_t* bgra, uint8_t* out);

// stb_dxt at its high quality setting (where its header was found; false otherwise).
bool StbAvailable();
void StbDxt1(const uint8_t* bgra, uint8_t* out);
void StbDxt5(const uint8_t* bgra, uint8_t* out);

}  // namespace peers
