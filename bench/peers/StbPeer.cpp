// stb_dxt, where the benchmark script found its header.
#include "Peers.h"

#if defined(PALLOGRAPH_HAVE_STB_DXT)
#include <cstring>
#define STB_DXT_IMPLEMENTATION
#include "stb_dxt.h"
#endif

namespace peers {

#if defined(PALLOGRAPH_HAVE_STB_DXT)
bool StbAvailable() { return true; }
void StbDxt1(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  BgraToRgba(bgra, rgba);
  stb_compress_dxt_block(out, rgba, 0, STB_DXT_HIGHQUAL);
}
void StbDxt5(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  BgraToRgba(bgra, rgba);
  stb_compress_dxt_block(out, rgba, 1, STB_DXT_HIGHQUAL);
}
#else
bool StbAvailable() { return false; }
void StbDxt1(const uint8_t*, uint8_t*) {}
void StbDxt5(const uint8_t*, uint8_t*) {}
#endif

}  // namespace peers
