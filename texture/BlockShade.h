// Brightness scaling of DXT1 and DXT5 textures on their compressed blocks. A block's colours are
// interpolated between its two endpoints, and scaling by percent / 100 commutes with that
// interpolation: the shaded block is the source block with its endpoints scaled, up to the 5:6:5
// rounding of the new endpoints. The texels of a block fall into one class per index, each with
// one ideal colour: the source block decoded and changed texel by texel (for a shade, red,
// green and blue each times percent / 100 rounded down). Each block gets the endpoints (bracketing
// the least-squares ones on the grid) that come closest to those ideal colours with its indices
// kept, or one colour where that comes closer; a block whose error stays above a bound is searched
// further, over every order-keeping move of its classes onto the new palette's entries
// (texture/ShadeSearch.h), and takes the closest block found. Constant data after construction: any
// number of threads may shade with one object at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/ShadeFourColor.h"

namespace pallograph {

// How the blocks of one shade were made, for measurements.
struct TBlockShadeCounts {
  uint64_t Blocks = 0;    // colour halves shaded
  uint64_t Searched = 0;  // of them, searched over the mappings of their classes

  TBlockShadeCounts& operator+=(const TBlockShadeCounts& other) {
    Blocks += other.Blocks;
    Searched += other.Searched;
    return *this;
  }
};

class TBlockShade {
 public:
  // Red, green and blue each times percent / 100, rounded down; percent 0..100 (clamped), 100
  // leaves every block as it is.
  explicit TBlockShade(int percent);
  // Red, green and blue of every texel become those of `color` (0x..RRGGBB): a repaint in one
  // colour that keeps the texture's transparency.
  static TBlockShade ToColor(uint32_t color);

  // Whether every block stays as it is.
  bool Identity() const { return identity_; }
  // The ideal value of a texel's channel (0 blue, 1 green, 2 red) whose source value is v.
  uint8_t Ideal(int channel, uint8_t v) const {
    return static_cast<uint8_t>(((v * channels_.Multiplier[channel]) >> 19) +
                                channels_.Offset[channel]);
  }

  // Shades the 8-byte colour half (colour 0, colour 1, index word) of one block in place. With
  // dxt1 the block keeps its DXT1 meaning: a three-colour block (colour 0 <= colour 1) stays one
  // and keeps its transparent texels, a four-colour block stays opaque. `valid` has bit i set for
  // texel i inside the level (all 16 but at the right and bottom edges of a level whose sides are
  // not multiples of 4); only those texels count.
  void ShadeColorHalf(uint8_t* half, bool dxt1, uint16_t valid,
                      TBlockShadeCounts* counts = nullptr) const;

  // Shades the rows of blocks firstRow .. firstRow + rowCount - 1 of one level of width x height
  // texels whose blocks start at `level` (8 bytes each for DXT1, 16 for DXT5), in place. DXT5
  // alpha halves are left as they are. Bands of one level may run on several threads at once.
  void ShadeLevelRows(uint8_t* level, bool dxt1, int width, int height, int firstRow, int rowCount,
                      TBlockShadeCounts* counts = nullptr) const;

 private:
  TBlockShade() = default;

  // A DXT1 three-colour half (colour 0 <= colour 1).
  void ShadeThreeColor(uint8_t* half, uint16_t valid, TBlockShadeCounts* counts) const;

  bool identity_ = false;
  TShadeChannels channels_{};  // the rule of every channel
};

}  // namespace pallograph
