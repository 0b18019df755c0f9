#include "texture/BlockShade.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "texture/ShadeFourColor.h"
#include "texture/SingleColorTables.h"

namespace pallograph {
namespace {

constexpr int kBits[3] = {5, 6, 5};  // blue, green, red
constexpr int kShift[3] = {0, 5, 11};

constexpr int Expand(int value, int bits) {
  return bits == 5 ? (value << 3) | (value >> 2) : (value << 2) | (value >> 4);
}

// The shade's multiplier rule, ((v * p * 5243) >> 19), is v * p / 100 rounded down for every
// value and percent; the four-colour kernel's endpoint rule, ((16v + 15) * 4033) >> 18 for six
// bits and ((4v + 3) * 993) >> 15 for five, is the largest endpoint whose expansion is at most v.
constexpr bool KernelRulesHold() {
  for (int p = 0; p <= 100; ++p) {
    for (int v = 0; v < 256; ++v) {
      if (((v * p * 5243) >> 19) != v * p / 100) return false;
    }
  }
  for (int v = 0; v < 256; ++v) {
    for (const int bits : {5, 6}) {
      const int rule = bits == 6 ? ((16 * v + 15) * 4033) >> 18 : ((4 * v + 3) * 993) >> 15;
      if (Expand(rule, bits) > v || (rule + 1 < (1 << bits) && Expand(rule + 1, bits) <= v)) {
        return false;
      }
    }
  }
  return true;
}
static_assert(KernelRulesHold(), "the four-colour kernel's integer rules are exact");

// Little-endian words of a block; one load or store where the processor is little-endian.
uint32_t Load16(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint16_t value;
    std::memcpy(&value, p, 2);
    return value;
  }
  return static_cast<uint32_t>(p[0]) | p[1] << 8;
}

uint32_t Load32(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
  }
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Store16(uint8_t* p, uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    const uint16_t word = static_cast<uint16_t>(value);
    std::memcpy(p, &word, 2);
    return;
  }
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void Store32(uint8_t* p, uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &value, 4);
    return;
  }
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

int Component(uint32_t color, int c) {
  return Expand(static_cast<int>(color >> kShift[c]) & ((1 << kBits[c]) - 1), kBits[c]);
}

// Bit 2i set for each texel i inside the level.
uint32_t InsideBits(uint16_t valid) {
  uint32_t inside = 0;
  for (int i = 0; i < 16; ++i) inside |= ((valid >> i) & 1u) << (2 * i);
  return inside;
}

// --- Three-colour DXT1 blocks: their texels with index 3 are transparent and stay so.

// The palette entries of one channel of a three-colour block for expanded endpoints a and b.
struct TEntries {
  int Value[3];
};

TEntries Entries(int a, int b) { return {{a, b, (a + b) >> 1}}; }

// The block's opaque classes (indices 0..2): their texels inside the level and, per channel, the
// ideal value they share.
struct TThreeColorModel {
  int Count[3] = {0, 0, 0};
  int Ideal[3][3] = {};  // per channel (blue, green, red), per class
  int Valid = 0;         // opaque texels inside
};

// A candidate: per channel the endpoints of colour 0 and colour 1, the new entry of each opaque
// class, and the squared error against the ideal colours.
struct TFit {
  int Start[3] = {0, 0, 0};
  int End[3] = {0, 0, 0};
  uint8_t Map[3] = {0, 1, 2};
  int32_t Error = INT32_MAX;
};

// Weight of colour 0 in each entry, in halves.
constexpr int kWeight3[3] = {2, 0, 1};

// For the mapping `map`, per channel the least-squares endpoints bracketed on the grid (as the
// four-colour kernel does) and, of the four pairs, the first with the least error. False when
// the mapping puts every texel on entries of one weight.
bool FitMapping(const TThreeColorModel& model, const uint8_t* map, TFit& fit) {
  int32_t m11 = 0, m12 = 0, m22 = 0;
  for (int k = 0; k < 3; ++k) {
    const int32_t w = kWeight3[map[k]];
    m11 += model.Count[k] * w * w;
    m12 += model.Count[k] * w * (2 - w);
    m22 += model.Count[k] * (2 - w) * (2 - w);
  }
  const int32_t det = m11 * m22 - m12 * m12;
  if (det <= 0) return false;
  std::memcpy(fit.Map, map, 3);
  fit.Error = 0;
  for (int c = 0; c < 3; ++c) {
    int32_t r1 = 0, r2 = 0;
    for (int k = 0; k < 3; ++k) {
      const int32_t w = kWeight3[map[k]];
      r1 += model.Count[k] * w * model.Ideal[c][k];
      r2 += model.Count[k] * (2 - w) * model.Ideal[c][k];
    }
    const int bits = kBits[c];
    const int top = (1 << bits) - 1;
    // Rounded down as the kernel's quotient: a division of exact integers below 2^24.
    const auto floorEndpoint = [&](int32_t num) {
      const float q = static_cast<float>(num) / static_cast<float>(det);
      const int v = static_cast<int>(std::min(std::max(q, 0.0f), 255.0f));
      int g = 0;
      while (g < top && Expand(g + 1, bits) <= v) ++g;
      return g;
    };
    const int a = floorEndpoint(2 * (m22 * r1 - m12 * r2));
    const int b = floorEndpoint(2 * (m11 * r2 - m12 * r1));
    int32_t best = INT32_MAX;
    for (int p = 0; p < 4; ++p) {
      const int start = std::min(a + (p >> 1), top), end = std::min(b + (p & 1), top);
      const TEntries entries = Entries(Expand(start, bits), Expand(end, bits));
      int32_t error = 0;
      for (int k = 0; k < 3; ++k) {
        const int d = entries.Value[map[k]] - model.Ideal[c][k];
        error += model.Count[k] * d * d;
      }
      if (error < best) {
        best = error;
        fit.Start[c] = start;
        fit.End[c] = end;
      }
    }
    fit.Error += best;
  }
  return true;
}

// Every opaque class on entry 2, the endpoints from the three-colour one-colour tables for the
// classes' mean.
void FitOneColor(const TThreeColorModel& model, TFit& fit) {
  for (uint8_t& m : fit.Map) m = 2;
  fit.Error = 0;
  for (int c = 0; c < 3; ++c) {
    int sum = 0;
    for (int k = 0; k < 3; ++k) sum += model.Count[k] * model.Ideal[c][k];
    const int mean = std::min(255, (2 * sum + model.Valid) / (2 * model.Valid));
    const TEndpointPair pair = kSingleColorTables[c == 1 ? 0 : 1][static_cast<size_t>(mean)];
    fit.Start[c] = pair.First;
    fit.End[c] = pair.Second;
    const int entry = (Expand(pair.First, kBits[c]) + Expand(pair.Second, kBits[c])) >> 1;
    for (int k = 0; k < 3; ++k) {
      const int d = entry - model.Ideal[c][k];
      fit.Error += model.Count[k] * d * d;
    }
  }
}

// Order-keeping mappings of the classes 0, 2, 1 onto the entries 0, 2, 1 that use two or more
// entries, other than the identity.
constexpr uint8_t kThreeColorMappings[6][3] = {{0, 2, 0}, {0, 1, 0}, {0, 2, 2},
                                               {0, 1, 1}, {2, 1, 2}, {2, 1, 1}};

}  // namespace

TBlockShade::TBlockShade(int percent) {
  const int clamped = std::clamp(percent, 0, 100);
  identity_ = clamped == 100;
  for (int c = 0; c < 3; ++c) {
    channels_.Multiplier[c] = clamped * 5243;
    channels_.Offset[c] = 0;
  }
}

TBlockShade TBlockShade::ToColor(uint32_t color) {
  TBlockShade shade;
  for (int c = 0; c < 3; ++c) {
    shade.channels_.Multiplier[c] = 0;
    shade.channels_.Offset[c] = static_cast<int32_t>((color >> (8 * c)) & 0xFF);
  }
  return shade;
}

void TBlockShade::ShadeThreeColor(uint8_t* half, uint16_t valid, TBlockShadeCounts* counts) const {
  const uint32_t c0 = Load16(half), c1 = Load16(half + 2);
  const uint32_t indices = Load32(half + 4);
  TThreeColorModel model;
  for (int i = 0; i < 16; ++i) {
    const uint32_t k = (indices >> (2 * i)) & 3;
    if (((valid >> i) & 1u) != 0 && k < 3) ++model.Count[k];
  }
  model.Valid = model.Count[0] + model.Count[1] + model.Count[2];
  for (int c = 0; c < 3; ++c) {
    const TEntries source = Entries(Component(c0, c), Component(c1, c));
    for (int k = 0; k < 3; ++k) {
      model.Ideal[c][k] = Ideal(c, static_cast<uint8_t>(source.Value[k]));
    }
  }
  TFit best;
  if (model.Valid == 0) {
    best.Error = 0;  // only transparent texels: any endpoints keep them
  } else {
    static constexpr uint8_t kIdentity[3] = {0, 1, 2};
    FitMapping(model, kIdentity, best);
    TFit one;
    FitOneColor(model, one);
    if (one.Error < best.Error) best = one;
    if (best.Error > kShadeSearchBound * model.Valid) {
      if (counts != nullptr) ++counts->Searched;
      for (const uint8_t* map : kThreeColorMappings) {
        TFit fit;
        if (FitMapping(model, map, fit) && fit.Error < best.Error) best = fit;
      }
    }
  }
  uint32_t start = 0, end = 0;
  for (int c = 0; c < 3; ++c) {
    start |= static_cast<uint32_t>(best.Start[c]) << kShift[c];
    end |= static_cast<uint32_t>(best.End[c]) << kShift[c];
  }
  uint8_t map[4] = {best.Map[0], best.Map[1], best.Map[2], 3};
  // Colour 0 at most colour 1 keeps the block three-colour; swapped endpoints exchange entries 0
  // and 1.
  if (start > end) {
    std::swap(start, end);
    for (int k = 0; k < 3; ++k) {
      if (map[k] < 2) map[k] ^= 1;
    }
  }
  uint32_t newIndices = 0;
  for (int i = 0; i < 16; ++i) {
    newIndices |= static_cast<uint32_t>(map[(indices >> (2 * i)) & 3]) << (2 * i);
  }
  Store16(half, start);
  Store16(half + 2, end);
  Store32(half + 4, newIndices);
}

void TBlockShade::ShadeColorHalf(uint8_t* half, bool dxt1, uint16_t valid,
                                 TBlockShadeCounts* counts) const {
  if (identity_ || valid == 0) return;
  if (counts != nullptr) ++counts->Blocks;
  if (dxt1 && Load16(half) <= Load16(half + 2)) {
    ShadeThreeColor(half, valid, counts);
    return;
  }
  TShadeBatch batch;
  batch.Color0[0] = static_cast<int32_t>(Load16(half));
  batch.Color1[0] = static_cast<int32_t>(Load16(half + 2));
  batch.Indices[0] = static_cast<int32_t>(Load32(half + 4));
  batch.Inside[0] = static_cast<int32_t>(InsideBits(valid));
  if (FitFourColorScalar(channels_, dxt1, batch, 1) != 0) {
    if (counts != nullptr) ++counts->Searched;
    SearchFourColorScalar(channels_, dxt1, batch, 1);
  }
  Store16(half, static_cast<uint32_t>(batch.Shaded0[0]));
  Store16(half + 2, static_cast<uint32_t>(batch.Shaded1[0]));
  Store32(half + 4, static_cast<uint32_t>(batch.ShadedIndices[0]));
}

void TBlockShade::ShadeLevelRows(uint8_t* level, bool dxt1, int width, int height, int firstRow,
                                 int rowCount, TBlockShadeCounts* counts) const {
  if (identity_) return;
  const size_t blockSize = dxt1 ? 8 : 16;
  const int blocksWide = (width + 3) >> 2;
  const int endRow = std::min((height + 3) >> 2, firstRow + rowCount);
  uint8_t* block =
      level + static_cast<size_t>(firstRow) * static_cast<size_t>(blocksWide) * blockSize;
  // Four-colour halves gather into batches for the fit, and those the fit leaves for the search
  // into batches for the search; three-colour halves are shaded one by one.
  TShadeBatch fitting, searching;
  uint8_t* fittingHalves[kShadeBatch];
  uint8_t* searchingHalves[kShadeBatch];
  int fittingCount = 0, searchingCount = 0;
  const auto store = [](uint8_t* half, const TShadeBatch& batch, int i) {
    Store16(half, static_cast<uint32_t>(batch.Shaded0[i]));
    Store16(half + 2, static_cast<uint32_t>(batch.Shaded1[i]));
    Store32(half + 4, static_cast<uint32_t>(batch.ShadedIndices[i]));
  };
  const auto search = [&] {
    SearchFourColor(channels_, dxt1, searching, searchingCount);
    for (int i = 0; i < searchingCount; ++i) store(searchingHalves[i], searching, i);
    searchingCount = 0;
  };
  const auto fit = [&] {
    const uint32_t toSearch = FitFourColor(channels_, dxt1, fitting, fittingCount);
    if (counts != nullptr) counts->Blocks += static_cast<uint64_t>(fittingCount);
    for (int i = 0; i < fittingCount; ++i) {
      if (((toSearch >> i) & 1u) == 0) {
        store(fittingHalves[i], fitting, i);
        continue;
      }
      if (counts != nullptr) ++counts->Searched;
      const int j = searchingCount++;
      searching.Color0[j] = fitting.Color0[i];
      searching.Color1[j] = fitting.Color1[i];
      searching.Indices[j] = fitting.Indices[i];
      searching.Inside[j] = fitting.Inside[i];
      searching.Shaded0[j] = fitting.Shaded0[i];
      searching.Shaded1[j] = fitting.Shaded1[i];
      searching.ShadedIndices[j] = fitting.ShadedIndices[i];
      searching.Error[j] = fitting.Error[i];
      searchingHalves[j] = fittingHalves[i];
      if (searchingCount == kShadeBatch) search();
    }
    fittingCount = 0;
  };
  for (int row = firstRow; row < endRow; ++row) {
    const int rowsInside = std::min(4, height - 4 * row);
    for (int column = 0; column < blocksWide; ++column, block += blockSize) {
      const int columnsInside = std::min(4, width - 4 * column);
      uint16_t valid = 0xFFFF;
      if (rowsInside < 4 || columnsInside < 4) {
        const uint32_t rowBits = (1u << columnsInside) - 1;
        valid = 0;
        for (int y = 0; y < rowsInside; ++y) valid |= static_cast<uint16_t>(rowBits << (4 * y));
      }
      uint8_t* half = dxt1 ? block : block + 8;
      const uint32_t color0 = Load16(half), color1 = Load16(half + 2);
      if (dxt1 && color0 <= color1) {
        if (counts != nullptr) ++counts->Blocks;
        ShadeThreeColor(half, valid, counts);
        continue;
      }
      fitting.Color0[fittingCount] = static_cast<int32_t>(color0);
      fitting.Color1[fittingCount] = static_cast<int32_t>(color1);
      fitting.Indices[fittingCount] = static_cast<int32_t>(Load32(half + 4));
      fitting.Inside[fittingCount] =
          static_cast<int32_t>(valid == 0xFFFF ? 0x55555555u : InsideBits(valid));
      fittingHalves[fittingCount++] = half;
      if (fittingCount == kShadeBatch) fit();
    }
  }
  if (fittingCount > 0) fit();
  if (searchingCount > 0) search();
}

}  // namespace pallograph
