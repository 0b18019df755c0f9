#include "texture/ColorFit.h"

#include <cfloat>
#include <cstring>

#include "texture/ClusterFit.h"
#include "texture/Simd.h"

namespace pallograph {
namespace {

void Store16(uint8_t* dst, uint32_t value) {
  dst[0] = static_cast<uint8_t>(value);
  dst[1] = static_cast<uint8_t>(value >> 8);
}

int Expand(int value, int bits) {
  return bits == 5 ? (value << 3) | (value >> 2) : (value << 2) | (value >> 4);
}

// Weighted principal axis of the points by power iteration from the covariance row of the largest
// squared length; eight fixed steps, each dividing by the largest component.
void PrincipalAxis(const float points[][3], const float* weights, int count, float axis[3]) {
  float total = 0.0f;
  float centroid[3] = {0.0f, 0.0f, 0.0f};
  for (int j = 0; j < count; ++j) {
    total += weights[j];
    for (int c = 0; c < 3; ++c) centroid[c] += weights[j] * points[j][c];
  }
  if (total > 0.0f) {
    for (float& value : centroid) value /= total;
  }
  float cov[3][3] = {};
  for (int j = 0; j < count; ++j) {
    const float d[3] = {points[j][0] - centroid[0], points[j][1] - centroid[1],
                        points[j][2] - centroid[2]};
    for (int r = 0; r < 3; ++r) {
      for (int c = r; c < 3; ++c) cov[r][c] += weights[j] * d[r] * d[c];
    }
  }
  cov[1][0] = cov[0][1];
  cov[2][0] = cov[0][2];
  cov[2][1] = cov[1][2];
  int start = 0;
  float longest = -1.0f;
  for (int r = 0; r < 3; ++r) {
    const float length = cov[r][0] * cov[r][0] + cov[r][1] * cov[r][1] + cov[r][2] * cov[r][2];
    if (length > longest) {
      longest = length;
      start = r;
    }
  }
  float v[3] = {cov[start][0], cov[start][1], cov[start][2]};
  for (int step = 0; step < 8; ++step) {
    const float w[3] = {cov[0][0] * v[0] + cov[0][1] * v[1] + cov[0][2] * v[2],
                        cov[1][0] * v[0] + cov[1][1] * v[1] + cov[1][2] * v[2],
                        cov[2][0] * v[0] + cov[2][1] * v[1] + cov[2][2] * v[2]};
    float divisor = w[0];
    if (w[1] > divisor) divisor = w[1];
    if (w[2] > divisor) divisor = w[2];
    if (divisor == 0.0f) {
      divisor = w[0];
      if (w[1] < divisor) divisor = w[1];
      if (w[2] < divisor) divisor = w[2];
    }
    if (!(divisor != 0.0f)) {
      // A vanishing vector (or one that overflowed) keeps a fixed axis.
      v[0] = v[1] = v[2] = 1.0f;
      break;
    }
    for (int c = 0; c < 3; ++c) v[c] = w[c] / divisor;
  }
  for (int c = 0; c < 3; ++c) axis[c] = v[c];
}

// Sums over the 16 pixels whose index is k: of the weights, and of the weighted values of each
// channel.
void MaskedSums(const int32_t* index, int k, const int32_t* weight, const int32_t (*weighted)[16],
                int32_t sums[4]) {
#if defined(PALLOGRAPH_SSE2)
  const __m128i key = _mm_set1_epi32(k);
  __m128i total[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                      _mm_setzero_si128()};
  for (int i = 0; i < 16; i += 4) {
    const __m128i mask =
        _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(index + i)), key);
    const auto take = [&](const int32_t* values) {
      return _mm_and_si128(mask, _mm_load_si128(reinterpret_cast<const __m128i*>(values + i)));
    };
    total[0] = _mm_add_epi32(total[0], take(weight));
    for (int c = 0; c < 3; ++c) total[1 + c] = _mm_add_epi32(total[1 + c], take(weighted[c]));
  }
  for (int t = 0; t < 4; ++t) {
    __m128i v = _mm_add_epi32(total[t], _mm_shuffle_epi32(total[t], 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    sums[t] = _mm_cvtsi128_si32(v);
  }
#else
  for (int t = 0; t < 4; ++t) sums[t] = 0;
  for (int i = 0; i < 16; ++i) {
    if (index[i] != k) continue;
    sums[0] += weight[i];
    for (int c = 0; c < 3; ++c) sums[1 + c] += weighted[c][i];
  }
#endif
}

// Integer refinement of the endpoints, one channel at a time with the indices fixed. The error of
// a pair is the sum over the palette entries of W p^2 - 2 p WV + WVV, with the pixels' weights,
// weighted values and weighted squares summed per index once (exact integer arithmetic; the
// weighted squares are the same for every pair and left out).
void RefineEndpoints(const ColorSet& set, const uint8_t* indices, bool threeColor, int starts[3],
                     int ends[3]) {
  // Per pixel its weight and weighted values (below 2^31 even summed over the block), then the
  // sums per index as masked sums.
  alignas(16) int32_t weight[16], weighted[3][16], index[16];
  for (int i = 0; i < 16; ++i) {
    const uint32_t pixel = set.Pixels[i];
    const uint32_t alpha = pixel >> 24;
    weight[i] = static_cast<int32_t>(((alpha * alpha) & 0xFFFF) >> 1);
    index[i] = indices[i];
    for (int c = 0; c < 3; ++c) {
      weighted[c][i] = weight[i] * static_cast<int32_t>((pixel >> (8 * c)) & 0xFF);
    }
  }
  int64_t w[4], wv[3][4];
  for (int k = 0; k < 4; ++k) {
    int32_t sums[4];
    MaskedSums(index, k, weight, weighted, sums);
    w[k] = sums[0];
    for (int c = 0; c < 3; ++c) wv[c][k] = sums[1 + c];
  }
  static constexpr int kBits[3] = {5, 6, 5};
  for (int c = 0; c < 3; ++c) {
    const int bits = kBits[c];
    const int top = (1 << bits) - 1;
    const int q0 = starts[c];
    const int q1 = ends[c];
    int64_t bestError = INT64_MAX;
    int bestStart = q0, bestEnd = q1;
    for (int s = q0 - 1; s <= q0 + 1; ++s) {
      if (s < 0 || s > top) continue;
      for (int e = q1 - 1; e <= q1 + 1; ++e) {
        if (e < 0 || e > top) continue;
        const int64_t e0 = Expand(s, bits);
        const int64_t e1 = Expand(e, bits);
        const int64_t p2 = threeColor ? (e0 + e1) / 2 : (2 * e0 + e1) / 3;
        const int64_t p3 = threeColor ? 0 : (e0 + 2 * e1) / 3;
        const int64_t error = e0 * (e0 * w[0] - 2 * wv[c][0]) + e1 * (e1 * w[1] - 2 * wv[c][1]) +
                              p2 * (p2 * w[2] - 2 * wv[c][2]) + p3 * (p3 * w[3] - 2 * wv[c][3]);
        const bool better = error < bestError;
        bestError = better ? error : bestError;
        bestStart = better ? s : bestStart;
        bestEnd = better ? e : bestEnd;
      }
    }
    starts[c] = bestStart;
    ends[c] = bestEnd;
  }
}

}  // namespace

void FitColorBlock(uint8_t* dst, const ColorSet& set) {
  const int count = static_cast<int>(set.Count);
  const bool threeColor = set.HasTransparent != 0;
  float points[16][3];
  float weights[16];
  for (int j = 0; j < count; ++j) {
    for (int c = 0; c < 3; ++c) {
      points[j][c] = static_cast<float>((set.Colors[j] >> (8 * c)) & 0xFF) / 255.0f;
    }
    weights[j] = static_cast<float>(set.Weights[j]) / 255.0f;
  }
  float axis[3];
  PrincipalAxis(points, weights, count, axis);

  // Stable insertion sort of the colours by their projection on the axis.
  int order[16];
  float projection[16];
  for (int j = 0; j < count; ++j) {
    const float p = points[j][0] * axis[0] + points[j][1] * axis[1] + points[j][2] * axis[2];
    int k = j;
    while (k > 0 && projection[k - 1] > p) {
      projection[k] = projection[k - 1];
      order[k] = order[k - 1];
      --k;
    }
    projection[k] = p;
    order[k] = j;
  }

  TClusterInput input;
  input.Count = count;
  float w = 0.0f, b = 0.0f, g = 0.0f, r = 0.0f;
  for (int m = 0; m <= count; ++m) {
    input.Weight[m] = w;
    input.Sum[0][m] = b;
    input.Sum[1][m] = g;
    input.Sum[2][m] = r;
    if (m == count) break;
    const int j = order[m];
    w = w + weights[j];
    b = b + weights[j] * points[j][0];
    g = g + weights[j] * points[j][1];
    r = r + weights[j] * points[j][2];
  }
  for (int m = count + 1; m < kClusterPadded; ++m) {
    input.Weight[m] = w;
    for (int c = 0; c < 3; ++c) input.Sum[c][m] = input.Sum[c][count];
  }

  const TClusterFit fit = FitClusters(input, threeColor);
  const TClusterCut& cut = fit.Cut;
  int starts[3] = {fit.Starts[0], fit.Starts[1], fit.Starts[2]};
  int ends[3] = {fit.Ends[0], fit.Ends[1], fit.Ends[2]};

  // Index of each sorted colour from its run, then of each pixel from its colour.
  uint8_t colorIndex[16];
  for (int m = 0; m < count; ++m) {
    uint8_t index;
    if (m < cut.First) {
      index = 0;
    } else if (m < cut.Second) {
      index = 2;
    } else if (!threeColor && m < cut.Third) {
      index = 3;
    } else {
      index = 1;
    }
    colorIndex[order[m]] = index;
  }
  uint8_t indices[16];
  for (int i = 0; i < 16; ++i) indices[i] = set.Remap[i] == 0xFF ? 3 : colorIndex[set.Remap[i]];

  RefineEndpoints(set, indices, threeColor, starts, ends);

  const uint32_t p0 = static_cast<uint32_t>(starts[2] << 11 | starts[1] << 5 | starts[0]);
  const uint32_t p1 = static_cast<uint32_t>(ends[2] << 11 | ends[1] << 5 | ends[0]);
  uint32_t color0 = p0, color1 = p1;
  if (!threeColor) {
    if (p0 < p1) {
      color0 = p1;
      color1 = p0;
      for (uint8_t& index : indices) index ^= 1;
    } else if (p0 == p1) {
      std::memset(indices, 0, sizeof(indices));
    }
  } else if (p1 < p0) {
    color0 = p1;
    color1 = p0;
    for (uint8_t& index : indices) {
      if (index < 2) index ^= 1;
    }
  }
  Store16(dst, color0);
  Store16(dst + 2, color1);
  for (int row = 0; row < 4; ++row) {
    dst[4 + row] = static_cast<uint8_t>(indices[4 * row] | indices[4 * row + 1] << 2 |
                                        indices[4 * row + 2] << 4 | indices[4 * row + 3] << 6);
  }
}

}  // namespace pallograph
