// rgbcx, built as its authors ship it.
#include "Peers.h"
#include "rgbcx.h"

namespace peers {
namespace {

void ToRgba(const uint8_t* bgra, uint8_t rgba[64]) {
  for (int i = 0; i < 16; ++i) {
    rgba[4 * i + 0] = bgra[4 * i + 2];
    rgba[4 * i + 1] = bgra[4 * i + 1];
    rgba[4 * i + 2] = bgra[4 * i + 0];
    rgba[4 * i + 3] = bgra[4 * i + 3];
  }
}

}  // namespace

void RgbcxInit() { rgbcx::init(rgbcx::bc1_approx_mode::cBC1Ideal); }

void RgbcxDxt1(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  ToRgba(bgra, rgba);
  // DXT1 transparency: rgbcx keeps colour only, so hidden pixels get the colour of a visible one.
  rgbcx::encode_bc1(10, out, rgba, true, false);
}

void RgbcxDxt5(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  ToRgba(bgra, rgba);
  rgbcx::encode_bc3_hq(10, out, rgba);
}

}  // namespace peers
