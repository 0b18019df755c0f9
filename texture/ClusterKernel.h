// The cluster fit's per-cut arithmetic, written once over a lane type so that the scalar form
// (one cut at a time) and the vector forms (several consecutive cuts per step) perform the same
// single-precision operations in the same order and therefore pick the same cut. Included by the
// cluster fit's translation units only; everything here has internal linkage so that a unit
// compiled for wider vectors keeps its own copies.
#pragma once

#include <algorithm>
#include <cfloat>

#include "texture/ClusterFit.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <immintrin.h>
#define PALLOGRAPH_CLUSTER_SSE 1
#endif

namespace pallograph::cluster {
namespace {

struct TScalar {
  using V = float;
  static constexpr int kLanes = 1;
  static V Load(const float* p) { return *p; }
  static V Splat(float value) { return value; }
  static void Store(float* out, V v) { *out = v; }
  // The same choice as the vector minimum and maximum: the second operand unless the first
  // compares strictly, so NaN clamps to the bound.
  static V Min(V a, V b) { return a < b ? a : b; }
  static V Max(V a, V b) { return a > b ? a : b; }
};

#if defined(PALLOGRAPH_CLUSTER_SSE)
struct TFloat4 {
  __m128 v;
};
inline TFloat4 operator+(TFloat4 a, TFloat4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline TFloat4 operator-(TFloat4 a, TFloat4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline TFloat4 operator*(TFloat4 a, TFloat4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline TFloat4 operator/(TFloat4 a, TFloat4 b) { return {_mm_div_ps(a.v, b.v)}; }

struct TVector4 {
  using V = TFloat4;
  static constexpr int kLanes = 4;
  static V Load(const float* p) { return {_mm_loadu_ps(p)}; }
  static V Splat(float value) { return {_mm_set1_ps(value)}; }
  static void Store(float* out, V v) { _mm_storeu_ps(out, v.v); }
  static V Min(V a, V b) { return {_mm_min_ps(a.v, b.v)}; }
  static V Max(V a, V b) { return {_mm_max_ps(a.v, b.v)}; }
};
#else
using TVector4 = TScalar;
#endif

constexpr float kRound = 12582912.0f;  // 1.5 * 2^23: adding and subtracting it rounds to even
constexpr float kGrid[3] = {31.0f, 63.0f, 31.0f};
constexpr float kInverseGrid[3] = {1.0f / 31.0f, 1.0f / 63.0f, 1.0f / 31.0f};

// Least-squares endpoints of one channel, clamped to [0, 1] and rounded to grid steps (the
// integer endpoint values, as floats).
template <class T>
void SolveChannel(typename T::V alphaX, typename T::V betaX, typename T::V alpha2,
                  typename T::V beta2, typename T::V alphaBeta, typename T::V factor, int channel,
                  typename T::V& startStep, typename T::V& endStep) {
  using V = typename T::V;
  const V zero = T::Splat(0.0f);
  const V one = T::Splat(1.0f);
  const V grid = T::Splat(kGrid[channel]);
  const V round = T::Splat(kRound);
  V a = (alphaX * beta2 - betaX * alphaBeta) * factor;
  V b = (betaX * alpha2 - alphaX * alphaBeta) * factor;
  a = T::Min(T::Max(a, zero), one);
  b = T::Min(T::Max(b, zero), one);
  startStep = (a * grid + round) - round;
  endStep = (b * grid + round) - round;
}

// Weighted squared error of the snapped endpoints, without the constant sum of w * x^2.
template <class T>
typename T::V ChannelError(typename T::V alphaX, typename T::V betaX, typename T::V alpha2,
                           typename T::V beta2, typename T::V alphaBeta, typename T::V factor,
                           int channel) {
  using V = typename T::V;
  V a, b;
  SolveChannel<T>(alphaX, betaX, alpha2, beta2, alphaBeta, factor, channel, a, b);
  const V inverse = T::Splat(kInverseGrid[channel]);
  a = a * inverse;
  b = b * inverse;
  const V cross = (a * b) * alphaBeta - a * alphaX - b * betaX;
  return ((a * a) * alpha2 + (b * b) * beta2) + (cross + cross);
}

// Sums of one four-colour cut: runs [0,i), [i,j), [j,k), [k,n) with weights (1,0), (2/3,1/3),
// (1/3,2/3), (0,1); k is the first lane's cut, later lanes take k+1, k+2, ...
template <class T>
struct TCut4 {
  using V = typename T::V;
  V alpha2, beta2, alphaBeta, factor, alphaX[3], betaX[3];

  TCut4(const TClusterInput& in, int i, int j, int k) {
    const int n = in.Count;
    const V w0 = T::Splat(in.Weight[i]);
    const V w1 = T::Splat(in.Weight[j]) - w0;
    const V w2 = T::Load(in.Weight + k) - T::Splat(in.Weight[j]);
    const V w3 = T::Splat(in.Weight[n]) - T::Load(in.Weight + k);
    const V twoThirds = T::Splat(2.0f / 3.0f), oneThird = T::Splat(1.0f / 3.0f);
    const V fourNinths = T::Splat(4.0f / 9.0f), oneNinth = T::Splat(1.0f / 9.0f);
    alpha2 = (w0 + w1 * fourNinths) + w2 * oneNinth;
    beta2 = (w3 + w2 * fourNinths) + w1 * oneNinth;
    alphaBeta = (w1 + w2) * T::Splat(2.0f / 9.0f);
    factor = T::Splat(1.0f) / (alpha2 * beta2 - alphaBeta * alphaBeta);
    for (int c = 0; c < 3; ++c) {
      const float* sum = in.Sum[c];
      const V x0 = T::Splat(sum[i]);
      const V x1 = T::Splat(sum[j]) - x0;
      const V x2 = T::Load(sum + k) - T::Splat(sum[j]);
      const V x3 = T::Splat(sum[n]) - T::Load(sum + k);
      alphaX[c] = (x0 + x1 * twoThirds) + x2 * oneThird;
      betaX[c] = (x3 + x2 * twoThirds) + x1 * oneThird;
    }
  }
};

// Sums of one three-colour cut: runs [0,i), [i,j), [j,n) with weights (1,0), (1/2,1/2), (0,1);
// j is the first lane's cut.
template <class T>
struct TCut3 {
  using V = typename T::V;
  V alpha2, beta2, alphaBeta, factor, alphaX[3], betaX[3];

  TCut3(const TClusterInput& in, int i, int j) {
    const int n = in.Count;
    const V half = T::Splat(0.5f), quarter = T::Splat(0.25f);
    const V w0 = T::Splat(in.Weight[i]);
    const V w1 = T::Load(in.Weight + j) - w0;
    const V w2 = T::Splat(in.Weight[n]) - T::Load(in.Weight + j);
    alpha2 = w0 + w1 * quarter;
    beta2 = w2 + w1 * quarter;
    alphaBeta = w1 * quarter;
    factor = T::Splat(1.0f) / (alpha2 * beta2 - alphaBeta * alphaBeta);
    for (int c = 0; c < 3; ++c) {
      const float* sum = in.Sum[c];
      const V x0 = T::Splat(sum[i]);
      const V x1 = T::Load(sum + j) - x0;
      const V x2 = T::Splat(sum[n]) - T::Load(sum + j);
      alphaX[c] = x0 + x1 * half;
      betaX[c] = x2 + x1 * half;
    }
  }
};

template <class T, class Cut>
typename T::V CutError(const Cut& cut) {
  using V = typename T::V;
  V error = ChannelError<T>(cut.alphaX[0], cut.betaX[0], cut.alpha2, cut.beta2, cut.alphaBeta,
                            cut.factor, 0);
  error = error + ChannelError<T>(cut.alphaX[1], cut.betaX[1], cut.alpha2, cut.beta2, cut.alphaBeta,
                                  cut.factor, 1);
  error = error + ChannelError<T>(cut.alphaX[2], cut.betaX[2], cut.alpha2, cut.beta2, cut.alphaBeta,
                                  cut.factor, 2);
  return error;
}

// Keeps the first lane whose error is strictly below the best so far, in lane order, which is
// the order a one-cut-at-a-time walk would meet them.
template <class T>
bool TakeBetter(typename T::V error, int validLanes, float& best, int& lane) {
  float errors[T::kLanes];
  T::Store(errors, error);
  bool found = false;
  for (int l = 0; l < validLanes; ++l) {
    if (errors[l] < best) {
      best = errors[l];
      lane = l;
      found = true;
    }
  }
  return found;
}

template <class T>
TClusterCut BestCut4(const TClusterInput& in) {
  const int n = in.Count;
  TClusterCut bestCut;
  float best = FLT_MAX;
  for (int i = 0; i <= n; ++i) {
    for (int j = i; j <= n; ++j) {
      for (int k = j; k <= n; k += T::kLanes) {
        const TCut4<T> cut(in, i, j, k);
        int lane = 0;
        if (TakeBetter<T>(CutError<T>(cut), std::min(T::kLanes, n - k + 1), best, lane)) {
          bestCut = {i, j, k + lane};
        }
      }
    }
  }
  return bestCut;
}

template <class T>
TClusterCut BestCut3(const TClusterInput& in) {
  const int n = in.Count;
  TClusterCut bestCut;
  float best = FLT_MAX;
  for (int i = 0; i <= n; ++i) {
    for (int j = i; j <= n; j += T::kLanes) {
      const TCut3<T> cut(in, i, j);
      int lane = 0;
      if (TakeBetter<T>(CutError<T>(cut), std::min(T::kLanes, n - j + 1), best, lane)) {
        bestCut = {i, j + lane, n};
      }
    }
  }
  return bestCut;
}

template <class Cut>
void StepsOf(const Cut& cut, int starts[3], int ends[3]) {
  for (int c = 0; c < 3; ++c) {
    float a, b;
    SolveChannel<TScalar>(cut.alphaX[c], cut.betaX[c], cut.alpha2, cut.beta2, cut.alphaBeta,
                          cut.factor, c, a, b);
    starts[c] = static_cast<int>(a);
    ends[c] = static_cast<int>(b);
  }
}

[[maybe_unused]] void Endpoints(const TClusterInput& in, bool threeColor, const TClusterCut& cut,
                                int starts[3], int ends[3]) {
  if (threeColor) {
    StepsOf(TCut3<TScalar>(in, cut.First, cut.Second), starts, ends);
  } else {
    StepsOf(TCut4<TScalar>(in, cut.First, cut.Second, cut.Third), starts, ends);
  }
}

}  // namespace
}  // namespace pallograph::cluster
