// The four-colour block shade with eight lanes, compiled for AVX2 and run only where the
// processor has it. The standard headers the kernel uses come first, outside the AVX2 region, so
// that no inline library function is emitted with AVX2 code for other units to pick up.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>

#include "texture/ShadeFourColor.h"
#include "texture/Simd.h"
#include "texture/SingleColorTables.h"

#if defined(PALLOGRAPH_WIDE_VECTORS)
PALLOGRAPH_TARGET_BEGIN("avx2")

#include "texture/IntLanesWide.h"
#include "texture/ShadeKernel.h"

namespace pallograph {

namespace {

// Lanes past the count repeat the first half (and, for a search, its fit); their results are
// not used.
void Pad(TShadeBatch& batch, int count, bool fitted) {
  for (int i = count; i < kShadeBatch; ++i) {
    batch.Color0[i] = batch.Color0[0];
    batch.Color1[i] = batch.Color1[0];
    batch.Indices[i] = batch.Indices[0];
    batch.Inside[i] = batch.Inside[0];
    if (!fitted) continue;
    batch.Shaded0[i] = batch.Shaded0[0];
    batch.Shaded1[i] = batch.Shaded1[0];
    batch.ShadedIndices[i] = batch.ShadedIndices[0];
    batch.Error[i] = batch.Error[0];
  }
}

}  // namespace

static_assert(kShadeBatch == lanes::TInt8::kLanes, "one vector per batch");

uint32_t FitFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                          int count) {
  Pad(batch, count, false);
  return shade::FitLanes<lanes::TInt8>(channels, dxt1, batch, 0) & ((1u << count) - 1);
}

void SearchFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count) {
  Pad(batch, count, true);
  shade::SearchLanes<lanes::TInt8>(channels, dxt1, batch, 0);
}

}  // namespace pallograph

PALLOGRAPH_TARGET_END()

#else

namespace pallograph {
uint32_t FitFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                          int count) {
  return FitFourColorScalar(channels, dxt1, batch, count);
}
void SearchFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count) {
  SearchFourColorScalar(channels, dxt1, batch, count);
}
}  // namespace pallograph

#endif
