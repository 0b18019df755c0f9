// icbc, built with the instruction set and optimisation chosen in bench/CMakeLists.txt.
#define ICBC_IMPLEMENTATION
#include "icbc.h"

#include "Peers.h"
#include "rgbcx.h"

namespace peers {
namespace {

// Colours as floats 0..1 in R, G, B, A order, and the per-pixel weights.
bool ToFloats(const uint8_t* bgra, float colors[64], float weights[16], bool dxt1) {
  bool transparent = false;
  for (int i = 0; i < 16; ++i) {
    colors[4 * i + 0] = bgra[4 * i + 2] * (1.0f / 255.0f);
    colors[4 * i + 1] = bgra[4 * i + 1] * (1.0f / 255.0f);
    colors[4 * i + 2] = bgra[4 * i + 0] * (1.0f / 255.0f);
    colors[4 * i + 3] = 1.0f;
    const bool hidden = dxt1 ? bgra[4 * i + 3] < 128 : false;
    weights[i] = hidden ? 0.0f : 1.0f;
    transparent = transparent || hidden;
  }
  return transparent;
}

const float kChannelWeights[3] = {1.0f, 1.0f, 1.0f};

}  // namespace

void IcbcInit() {
  icbc::init(icbc::Decoder_D3D10);
  rgbcx::init(rgbcx::bc1_approx_mode::cBC1Ideal);
}

void IcbcDxt1(const uint8_t* bgra, uint8_t* out) {
  alignas(32) float colors[64];
  alignas(32) float weights[16];
  const bool transparent = ToFloats(bgra, colors, weights, true);
  icbc::compress_bc1(icbc::Quality_Level8, colors, weights, kChannelWeights, transparent, false,
                     out);
}

void IcbcDxt5(const uint8_t* bgra, uint8_t* out) {
  alignas(32) float colors[64];
  alignas(32) float weights[16];
  ToFloats(bgra, colors, weights, false);
  rgbcx::encode_bc4(out, bgra + 3, 4);
  icbc::compress_bc1(icbc::Quality_Level8, colors, weights, kChannelWeights, false, false, out + 8);
}

}  // namespace peers
