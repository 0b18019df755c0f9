#include "texture/AlphaFit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "texture/AlphaKernel.h"
#include "texture/FitLevel.h"
#include "texture/Simd.h"

namespace pallograph {
namespace {

struct TAlphaResult {
  int Alpha0 = 0;
  int Alpha1 = 0;
  uint32_t Error = UINT32_MAX;
};

// Squared distance of every alpha to its nearest palette entry, summed. Entries 6 and 7 of the
// six-value mode (0 and 255) are constant and come in as `base`, the per-pixel distance to them.
uint32_t PaletteErrorScalar(const uint8_t* alphas, const uint8_t* base, const uint8_t palette[8],
                            int entries) {
  uint32_t error = 0;
  for (int i = 0; i < 16; ++i) {
    int nearest = base[i];
    for (int k = 0; k < entries; ++k) {
      const int d = std::abs(static_cast<int>(alphas[i]) - palette[k]);
      if (d < nearest) nearest = d;
    }
    error += static_cast<uint32_t>(nearest * nearest);
  }
  return error;
}

#if defined(PALLOGRAPH_SSE2)
uint32_t PaletteErrorVector(const uint8_t* alphas, const uint8_t* base, const uint8_t palette[8],
                            int entries) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alphas));
  __m128i nearest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base));
  for (int k = 0; k < entries; ++k) {
    const __m128i p = _mm_set1_epi8(static_cast<char>(palette[k]));
    const __m128i d = _mm_or_si128(_mm_subs_epu8(x, p), _mm_subs_epu8(p, x));
    nearest = _mm_min_epu8(nearest, d);
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_unpacklo_epi8(nearest, zero);
  const __m128i hi = _mm_unpackhi_epi8(nearest, zero);
  __m128i sum = _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
}
#else
uint32_t PaletteErrorVector(const uint8_t* alphas, const uint8_t* base, const uint8_t palette[8],
                            int entries) {
  return PaletteErrorScalar(alphas, base, palette, entries);
}
#endif

// Nearest palette entry of every alpha, the lowest index on a tie.
void AssignIndicesScalar(const uint8_t* alphas, const uint8_t palette[8], uint8_t indices[16]) {
  for (int i = 0; i < 16; ++i) {
    int best = 256;
    for (int k = 0; k < 8; ++k) {
      const int d = std::abs(static_cast<int>(alphas[i]) - palette[k]);
      if (d < best) {
        best = d;
        indices[i] = static_cast<uint8_t>(k);
      }
    }
  }
}

#if defined(PALLOGRAPH_SSE2)
void AssignIndicesVector(const uint8_t* alphas, const uint8_t palette[8], uint8_t indices[16]) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alphas));
  const __m128i zero = _mm_setzero_si128();
  __m128i p = _mm_set1_epi8(static_cast<char>(palette[0]));
  __m128i best = _mm_or_si128(_mm_subs_epu8(x, p), _mm_subs_epu8(p, x));
  __m128i index = zero;
  for (int k = 1; k < 8; ++k) {
    p = _mm_set1_epi8(static_cast<char>(palette[k]));
    const __m128i d = _mm_or_si128(_mm_subs_epu8(x, p), _mm_subs_epu8(p, x));
    // Strictly nearer where best - d (saturating) is not zero.
    const __m128i nearer =
        _mm_xor_si128(_mm_cmpeq_epi8(_mm_subs_epu8(best, d), zero), _mm_set1_epi8(-1));
    best = _mm_min_epu8(best, d);
    index = _mm_or_si128(_mm_and_si128(nearer, _mm_set1_epi8(static_cast<char>(k))),
                         _mm_andnot_si128(nearer, index));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(indices), index);
}
#else
void AssignIndicesVector(const uint8_t* alphas, const uint8_t palette[8], uint8_t indices[16]) {
  AssignIndicesScalar(alphas, palette, indices);
}
#endif

void AssignIndices(const uint8_t* alphas, const uint8_t palette[8], uint8_t indices[16],
                   TFitLevel level) {
  if (level == TFitLevel::Scalar) {
    AssignIndicesScalar(alphas, palette, indices);
  } else {
    AssignIndicesVector(alphas, palette, indices);
  }
}

// numerator / denominator (> 0) rounded half away from zero. The magnitudes stay below 2^53, so
// the quotient is estimated in double precision and corrected by one step where it is off.
int64_t RoundedDivide(int64_t numerator, int64_t denominator) {
  const int64_t n = (numerator >= 0 ? numerator : -numerator) + denominator / 2;
  int64_t q = static_cast<int64_t>(static_cast<double>(n) / static_cast<double>(denominator));
  if (q * denominator > n) {
    --q;
  } else if ((q + 1) * denominator <= n) {
    ++q;
  }
  return numerator >= 0 ? q : -q;
}

// Per index, how many of the alphas take it and their sum; in the six-value pass alphas 0 and
// 255 and indices 6 and 7 are left out.
void CountIndices(const uint8_t* alphas, const uint8_t* indices, bool sixValue, int64_t count[8],
                  int64_t sum[8]) {
#if defined(PALLOGRAPH_SSE2)
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alphas));
  const __m128i k16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices));
  const __m128i zero = _mm_setzero_si128();
  __m128i include = _mm_set1_epi8(-1);
  if (sixValue) {
    const __m128i extreme = _mm_or_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(a, include));
    const __m128i high = _mm_cmpgt_epi8(k16, _mm_set1_epi8(5));
    include = _mm_andnot_si128(_mm_or_si128(extreme, high), include);
  }
  const __m128i one = _mm_set1_epi8(1);
  for (int k = 0; k < 8; ++k) {
    const __m128i m =
        _mm_and_si128(_mm_cmpeq_epi8(k16, _mm_set1_epi8(static_cast<char>(k))), include);
    const __m128i n = _mm_sad_epu8(_mm_and_si128(m, one), zero);
    const __m128i t = _mm_sad_epu8(_mm_and_si128(m, a), zero);
    count[k] = _mm_cvtsi128_si32(n) + _mm_extract_epi16(n, 4);
    sum[k] = _mm_cvtsi128_si32(t) + _mm_extract_epi16(t, 4);
  }
#else
  for (int k = 0; k < 8; ++k) count[k] = sum[k] = 0;
  for (int i = 0; i < 16; ++i) {
    const int k = indices[i];
    if (sixValue && (alphas[i] == 0 || alphas[i] == 255 || k >= 6)) continue;
    ++count[k];
    sum[k] += alphas[i];
  }
#endif
}

// Least-squares endpoints for an index assignment, in fixed point with 15 fraction bits. False
// when the assignment does not determine two endpoints.
bool LeastSquares(const uint8_t* alphas, const uint8_t* indices, bool sixValue, int& alpha0,
                  int& alpha1) {
  // Every pixel at index k adds the same weight terms, so the pixels are counted and their
  // alphas summed per index first (the same integer sums as pixel by pixel).
  int64_t count[8], sum[8];
  CountIndices(alphas, indices, sixValue, count, sum);
  int64_t aa = 0, bb = 0, ab = 0, ax = 0, bx = 0;
  for (int k = 0; k < 8; ++k) {
    if (count[k] == 0) continue;
    int64_t w;
    if (k == 0) {
      w = 32767;
    } else if (k == 1) {
      w = 0;
    } else {
      w = sixValue ? 39324 - 6554 * k : 37448 - 4681 * k;
    }
    const int64_t v = 32767 - w;
    aa += count[k] * ((w * w) >> 15);
    bb += count[k] * ((v * v) >> 15);
    ab += count[k] * ((w * v) >> 15);
    ax += w * sum[k];
    bx += v * sum[k];
  }
  const int64_t det = aa * bb - ab * ab;
  if (det <= 0) return false;
  alpha0 = static_cast<int>(RoundedDivide(ax * bb - bx * ab, det));
  alpha1 = static_cast<int>(RoundedDivide(bx * aa - ax * ab, det));
  return true;
}

// Cells of the 7x7 search window as bits 7 * row + column (row: alpha 0's offset + 3, column:
// alpha 1's).

// Bits lo..hi of seven, clamped.
uint64_t BitRange(int lo, int hi) {
  lo = std::max(lo, 0);
  hi = std::min(hi, 6);
  return lo > hi ? 0 : ((uint64_t{1} << (hi + 1)) - (uint64_t{1} << lo));
}

// The cells of the given rows and columns. Each row's copy of the column bits lands in its own
// seven bits, so the product has no carries.
constexpr auto kRowSpread = [] {
  std::array<uint64_t, 128> spread{};
  for (int rows = 0; rows < 128; ++rows) {
    for (int r = 0; r < 7; ++r) spread[rows] |= static_cast<uint64_t>((rows >> r) & 1) << (7 * r);
  }
  return spread;
}();

uint64_t CellMask(uint64_t rows, uint64_t columns) { return kRowSpread[rows] * columns; }

constexpr auto MakeSlotParts(bool row) {
  std::array<uint8_t, 49> parts{};
  for (int slot = 0; slot < 49; ++slot)
    parts[slot] = static_cast<uint8_t>(row ? slot / 7 : slot % 7);
  return parts;
}
constexpr auto kSlotRow = MakeSlotParts(true);
constexpr auto kSlotColumn = MakeSlotParts(false);

// Cells with column - row above (kAbove) or below (kBelow) t, for t = -7..7.
constexpr auto MakeOrderMasks(bool above) {
  std::array<uint64_t, 15> masks{};
  for (int t = -7; t <= 7; ++t) {
    for (int r = 0; r < 7; ++r) {
      for (int c = 0; c < 7; ++c) {
        if (above ? c - r > t : c - r < t) masks[t + 7] |= uint64_t{1} << (7 * r + c);
      }
    }
  }
  return masks;
}
constexpr auto kAbove = MakeOrderMasks(true);
constexpr auto kBelow = MakeOrderMasks(false);

// The first of the 49 window errors with the smallest value.
#if defined(PALLOGRAPH_SSE2)
int FirstSmallest(const uint32_t* errors) {
  // Errors are below 2^31 except the invalid mark UINT32_MAX, which reads as -1 signed: the
  // comparisons run on the values rotated by one bit so that it stays the largest.
  auto load = [&](int i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(errors + i));
    return _mm_xor_si128(v, _mm_set1_epi32(INT32_MIN));
  };
  __m128i smallest = load(0);
  for (int i = 4; i < 48; i += 4) {
    const __m128i v = load(i);
    const __m128i less = _mm_cmplt_epi32(v, smallest);
    smallest = _mm_or_si128(_mm_and_si128(less, v), _mm_andnot_si128(less, smallest));
  }
  int32_t lanes[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), smallest);
  int32_t value = lanes[0];
  for (int l = 1; l < 4; ++l) value = lanes[l] < value ? lanes[l] : value;
  const int32_t last = static_cast<int32_t>(errors[48] ^ 0x80000000u);
  if (last < value) return 48;
  const __m128i target = _mm_set1_epi32(value);
  for (int i = 0; i < 48; i += 4) {
    const int mask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(load(i), target)));
    if (mask != 0) return i + std::countr_zero(static_cast<unsigned>(mask));
  }
  return 48;
}
#else
int FirstSmallest(const uint32_t* errors) {
  int best = 0;
  for (int slot = 1; slot < 49; ++slot) {
    if (errors[slot] < errors[best]) best = slot;
  }
  return best;
}
#endif

int Clamp255(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

// One pass: an iterated +-3 search around the inset range, then around least-squares endpoints.
TAlphaResult FitPass(const uint8_t* alphas, bool sixValue, TFitLevel level) {
  int low = 255, high = 0;
  for (int i = 0; i < 16; ++i) {
    if (sixValue && (alphas[i] == 0 || alphas[i] == 255)) continue;
    if (alphas[i] < low) low = alphas[i];
    if (alphas[i] > high) high = alphas[i];
  }
  if (low > high) low = high = 0;
  const int inset = ((high - low) * 1928) >> 16;
  low += inset;
  high -= inset;
  int start0 = sixValue ? low : high;
  int start1 = sixValue ? high : low;

  uint8_t base[16];
  for (int i = 0; i < 16; ++i) {
    base[i] = sixValue
                  ? static_cast<uint8_t>(alphas[i] < 255 - alphas[i] ? alphas[i] : 255 - alphas[i])
                  : 255;
  }

  // Errors of the previous iteration's window, reused where the windows overlap.
  uint32_t buffers[2][7][7] = {};
  int windowCentre0 = -100, windowCentre1 = -100;

  TAlphaResult best;
  for (int iteration = 0; iteration < 9; ++iteration) {
    // This window's errors and the previous one's, in alternating buffers.
    uint32_t(&current)[7][7] = buffers[iteration & 1];
    const uint32_t(&window)[7][7] = buffers[(iteration + 1) & 1];
    TAlphaResult result;
    // Errors already known from the previous window are copied over (the overlap is a
    // rectangle); the other valid candidates are evaluated together; then all are compared in
    // search order.
    std::fill(&current[0][0], &current[0][0] + 49, UINT32_MAX);
    const int shift0 = start0 - windowCentre0, shift1 = start1 - windowCentre1;
    int rows0 = 7, rows1 = -1, columns0 = 7, columns1 = -1;  // overlap in this window's cells
    if (iteration > 0 && shift0 >= -6 && shift0 <= 6 && shift1 >= -6 && shift1 <= 6) {
      rows0 = std::max(0, -shift0);
      rows1 = std::min(6, 6 - shift0);
      columns0 = std::max(0, -shift1);
      columns1 = std::min(6, 6 - shift1);
      for (int r = rows0; r <= rows1; ++r) {
        for (int c = columns0; c <= columns1; ++c) current[r][c] = window[r + shift0][c + shift1];
      }
    }
    // The cells to evaluate, as a 49-bit mask: endpoints in range, in the mode's order, and
    // not in the overlap.
    const uint64_t inRange =
        CellMask(BitRange(3 - start0, 258 - start0), BitRange(3 - start1, 258 - start1));
    const int difference = std::clamp(start0 - start1, -7, 7);  // order: c - r against it
    const uint64_t ordered = sixValue ? kAbove[difference + 7] : kBelow[difference + 7];
    const uint64_t overlap =
        rows0 <= rows1 ? CellMask(BitRange(rows0, rows1), BitRange(columns0, columns1)) : 0;
    uint8_t pending0[49], pending1[49];
    uint32_t pendingErrors[49];
    uint8_t pendingSlot[49];
    int pending = 0;
    for (uint64_t need = inRange & ordered & ~overlap; need != 0; need &= need - 1) {
      const int slot = std::countr_zero(need);
      pending0[pending] = static_cast<uint8_t>(start0 + kSlotRow[slot] - 3);
      pending1[pending] = static_cast<uint8_t>(start1 + kSlotColumn[slot] - 3);
      pendingSlot[pending] = static_cast<uint8_t>(slot);
      ++pending;
    }
    // The candidates are in search order, so the evaluation may stop at the first error of
    // zero: nothing after it can win, and the pass ends with it (its window is not reused).
    const int evaluated =
        level >= TFitLevel::Avx2
            ? PaletteErrorsAvx2(alphas, base, pending0, pending1, pending, sixValue, pendingErrors)
            : PaletteErrorsEach(alphas, base, pending0, pending1, pending, sixValue,
                                level != TFitLevel::Scalar, pendingErrors);
    for (int c = 0; c < evaluated; ++c) (&current[0][0])[pendingSlot[c]] = pendingErrors[c];
    const int bestSlot = FirstSmallest(&current[0][0]);
    const uint32_t bestError = (&current[0][0])[bestSlot];
    if (bestError != UINT32_MAX) {
      result = {start0 + bestSlot / 7 - 3, start1 + bestSlot % 7 - 3, bestError};
    }
    windowCentre0 = start0;
    windowCentre1 = start1;

    if (iteration > 0 && result.Alpha0 == best.Alpha0 && result.Alpha1 == best.Alpha1) break;
    if (result.Error < best.Error) best = result;
    // Nothing can be strictly better than no error, so the later iterations would keep it.
    if (best.Error == 0) break;

    uint8_t palette[8];
    uint8_t indices[16];
    AlphaPalette(static_cast<uint8_t>(result.Alpha0), static_cast<uint8_t>(result.Alpha1), palette);
    AssignIndices(alphas, palette, indices, level);
    int next0, next1;
    if (!LeastSquares(alphas, indices, sixValue, next0, next1)) break;
    next0 = Clamp255(next0);
    next1 = Clamp255(next1);
    if (sixValue ? next0 > next1 : next0 < next1) std::swap(next0, next1);
    start0 = next0;
    start1 = next1;
  }
  return best;
}

}  // namespace

int PaletteErrorsEach(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, bool vector,
                      uint32_t* errors) {
  const int entries = sixValue ? 6 : 8;
  for (int c = 0; c < count; ++c) {
    uint8_t palette[8];
    AlphaPalette(alpha0[c], alpha1[c], palette);
    errors[c] = vector ? PaletteErrorVector(alphas, base, palette, entries)
                       : PaletteErrorScalar(alphas, base, palette, entries);
    if (errors[c] == 0) return c + 1;
  }
  return count;
}

void AlphaPalette(uint8_t alpha0, uint8_t alpha1, uint8_t palette[8]) {
  const uint32_t a0 = alpha0, a1 = alpha1;
  palette[0] = alpha0;
  palette[1] = alpha1;
  if (a0 > a1) {
    for (uint32_t k = 2; k < 8; ++k) {
      palette[k] = static_cast<uint8_t>((((8 - k) * a0 + (k - 1) * a1) * 9363) >> 16);
    }
  } else {
    for (uint32_t k = 2; k < 6; ++k) {
      palette[k] = static_cast<uint8_t>((((6 - k) * a0 + (k - 1) * a1) * 13108) >> 16);
    }
    palette[6] = 0;
    palette[7] = 255;
  }
}

void EncodeAlphaBlock(uint8_t* dst, const uint8_t* pixels) {
  uint8_t alphas[16];
  for (int i = 0; i < 16; ++i) alphas[i] = pixels[4 * i + 3];
  const TFitLevel level = FitLevel();
  // The eight-value pass wins only with a strictly lower error: none is possible below zero
  // (textures that were DXT5 before, as the mods' sources are, often get there).
  const TAlphaResult six = FitPass(alphas, true, level);
  const TAlphaResult eight = six.Error == 0 ? six : FitPass(alphas, false, level);
  const TAlphaResult& best = eight.Error < six.Error ? eight : six;

  uint8_t palette[8];
  uint8_t indices[16];
  AlphaPalette(static_cast<uint8_t>(best.Alpha0), static_cast<uint8_t>(best.Alpha1), palette);
  AssignIndices(alphas, palette, indices, level);
  dst[0] = static_cast<uint8_t>(best.Alpha0);
  dst[1] = static_cast<uint8_t>(best.Alpha1);
  for (int group = 0; group < 2; ++group) {
    uint32_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint32_t>(indices[8 * group + i]) << (3 * i);
    for (int b = 0; b < 3; ++b) dst[2 + 3 * group + b] = static_cast<uint8_t>(bits >> (8 * b));
  }
}

}  // namespace pallograph
