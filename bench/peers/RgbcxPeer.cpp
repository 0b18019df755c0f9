// rgbcx, built as its authors ship it.
#include "Peers.h"
#include "rgbcx.h"

namespace peers {
void RgbcxInit() { rgbcx::init(rgbcx::bc1_approx_mode::cBC1Ideal); }

void RgbcxDxt1(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  BgraToRgba(bgra, rgba);
  // rgbcx fits colour only; DXT1 error is measured on the pixels the format keeps.
  rgbcx::encode_bc1(10, out, rgba, true, false);
}

void RgbcxDxt5(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  BgraToRgba(bgra, rgba);
  rgbcx::encode_bc3_hq(10, out, rgba);
}

}  // namespace peers
