// The block shade of four-colour blocks (every DXT5 colour half, and DXT1 blocks whose colour 0
// is above colour 1), several blocks at a time. Internal to the block shade (texture/BlockShade.h
// tells what it makes of each block).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pallograph {

// Blocks per call.
inline constexpr int kShadeBatch = 8;

// The change of every texel's channel value v (0..255), per channel (blue, green, red):
// ((v * Multiplier) >> 19) + Offset. A shade by p percent has Multiplier p * 5243 (v * p / 100
// rounded down) and Offset 0; a repaint has Multiplier 0 and the colour's value as Offset.
struct TShadeChannels {
  int32_t Multiplier[3];
  int32_t Offset[3];
};

// Up to kShadeBatch source colour halves (colour 0, colour 1 and the index word of each, and
// which of its texels lie inside the level: bit 2i for texel i, 0x55555555 for a whole block),
// their shaded halves and the shaded halves' squared errors.
struct TShadeBatch {
  int32_t Color0[kShadeBatch];
  int32_t Color1[kShadeBatch];
  int32_t Indices[kShadeBatch];
  int32_t Inside[kShadeBatch];
  int32_t Shaded0[kShadeBatch];
  int32_t Shaded1[kShadeBatch];
  int32_t ShadedIndices[kShadeBatch];
  int32_t Error[kShadeBatch];
};

// The error per texel inside (squared levels summed over blue, green and red) above which a
// block's scaled endpoints are not kept without the search over the mappings of its classes.
inline constexpr int32_t kShadeSearchBound = 6;

// The mappings searched: eight order-keeping moves of a block's classes (one per source index)
// onto the new palette's entries other than the identity: those that most often come closer
// than the identity on real textures (a search over all thirty such moves that use two or more
// entries gains almost nothing over these eight). Per mapping, the new entry (0..3) of each
// class (source index 0..3). The classes lie in line order 0, 2, 3, 1 and so do the entries; the
// first mapping, in line order, moves them onto entries 0, 0, 2, 3.
inline constexpr int kShadeMappings = 8;
inline constexpr std::array<std::array<uint8_t, 4>, kShadeMappings> kShadeMappingTable = {{
    {0, 3, 0, 2},
    {2, 1, 3, 1},
    {2, 3, 2, 3},
    {0, 3, 2, 2},
    {2, 1, 3, 3},
    {0, 2, 0, 2},
    {3, 1, 3, 1},
    {2, 1, 2, 3},
}};

// The shade of the first `count` (1..kShadeBatch) source halves of the batch, in two steps:
// FitFourColor fits every half and returns a bit per half whose error is above the search bound;
// SearchFourColor searches halves (whose fit the batch holds) over the mappings and keeps what
// comes closer. A shade runs the search on every half whose bit the fit returned, in batches of
// such halves. Four-colour halves of DXT1 (keeping colour 0 above colour 1, or both equal with
// every texel on entry 0) or of DXT5 (dxt1 false). The forms, one per processor feature level,
// give the same halves; the plain names pick the form of the current fit level
// (texture/FitLevel.h).
uint32_t FitFourColorScalar(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                            int count);
uint32_t FitFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count);
uint32_t FitFourColor(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count);
void SearchFourColorScalar(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                           int count);
void SearchFourColorAvx2(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count);
void SearchFourColor(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count);

}  // namespace pallograph
