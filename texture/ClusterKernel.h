// The cluster fit's search, written once over a lane type so that the scalar form (one cut at a
// time) and the vector forms (several cuts per step) perform the same single-precision operations
// on every cut and therefore pick the same cut. Included by the cluster fit's translation units
// only; everything here has internal linkage so that a unit compiled for wider vectors keeps its
// own copies.
//
// The sums of a cut are linear in the prefix sums at its three boundaries, so the part that
// depends on the two inner boundaries is tabulated once per block (one entry per boundary pair,
// in search order) and each first boundary adds its own share. Consecutive table entries then
// fill whole vectors, and the best cut is tracked per lane and reduced once at the end.
#pragma once

#include <cfloat>
#include <cmath>

#include "texture/ClusterFit.h"
#include "texture/Simd.h"

namespace pallograph::cluster {
namespace {

struct TScalar {
  using V = float;
  using M = bool;
  static constexpr int kLanes = 1;
  static PALLOGRAPH_INLINE V Load(const float* p) { return *p; }
  static PALLOGRAPH_INLINE V Splat(float value) { return value; }
  static PALLOGRAPH_INLINE void Store(float* out, V v) { *out = v; }
  static PALLOGRAPH_INLINE V Iota() { return 0.0f; }
  // The same choice as the vector minimum and maximum: the second operand unless the first
  // compares strictly, so NaN clamps to the bound.
  static PALLOGRAPH_INLINE V Min(V a, V b) { return a < b ? a : b; }
  static PALLOGRAPH_INLINE V Max(V a, V b) { return a > b ? a : b; }
  static PALLOGRAPH_INLINE M Less(V a, V b) { return a < b; }
  static PALLOGRAPH_INLINE V Select(M m, V a, V b) { return m ? a : b; }
};

#if defined(PALLOGRAPH_SSE2)
struct TFloat4 {
  __m128 v;
};
PALLOGRAPH_INLINE TFloat4 operator+(TFloat4 a, TFloat4 b) { return {_mm_add_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat4 operator-(TFloat4 a, TFloat4 b) { return {_mm_sub_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat4 operator*(TFloat4 a, TFloat4 b) { return {_mm_mul_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat4 operator/(TFloat4 a, TFloat4 b) { return {_mm_div_ps(a.v, b.v)}; }

struct TVector4 {
  using V = TFloat4;
  using M = TFloat4;
  static constexpr int kLanes = 4;
  static PALLOGRAPH_INLINE V Load(const float* p) { return {_mm_loadu_ps(p)}; }
  static PALLOGRAPH_INLINE V Splat(float value) { return {_mm_set1_ps(value)}; }
  static PALLOGRAPH_INLINE void Store(float* out, V v) { _mm_storeu_ps(out, v.v); }
  static PALLOGRAPH_INLINE V Iota() { return {_mm_setr_ps(0, 1, 2, 3)}; }
  static PALLOGRAPH_INLINE V Min(V a, V b) { return {_mm_min_ps(a.v, b.v)}; }
  static PALLOGRAPH_INLINE V Max(V a, V b) { return {_mm_max_ps(a.v, b.v)}; }
  static PALLOGRAPH_INLINE M Less(V a, V b) { return {_mm_cmplt_ps(a.v, b.v)}; }
  static PALLOGRAPH_INLINE V Select(M m, V a, V b) {
    return {_mm_or_ps(_mm_and_ps(m.v, a.v), _mm_andnot_ps(m.v, b.v))};
  }
};
#else
using TVector4 = TScalar;
#endif

constexpr float kRound = 12582912.0f;  // 1.5 * 2^23: adding and subtracting it rounds to even
constexpr float kGrid[3] = {31.0f, 63.0f, 31.0f};
constexpr float kInverseGrid[3] = {1.0f / 31.0f, 1.0f / 63.0f, 1.0f / 31.0f};

// Boundary pairs (j, k), 0 <= j <= k <= Count, j outer and k inner, both ascending. Padded for
// the widest lanes; the padding is NaN, so its cuts never compare below the best.
inline constexpr int kMaxPairs = (kMaxClusterColors + 1) * (kMaxClusterColors + 2) / 2;
inline constexpr int kPairSlots = kMaxPairs + 16;
inline constexpr int kPositionScale = 1024;  // position of a cut: first boundary * scale + entry

// Sums of a cut that depend on its later boundaries, per table entry. Four-colour mode: runs
// [0,i), [i,j), [j,k), [k,n) take the weights (1,0), (2/3,1/3), (1/3,2/3), (0,1); alpha2 =
// 5/9 W(i) + 3/9 W(j) + 1/9 W(k), beta2 = W(n) - 1/9 W(i) - 3/9 W(j) - 5/9 W(k),
// alphaBeta = 2/9 (W(k) - W(i)), and twice alpha x = 2/3 (S(i) + S(j) + S(k)). Three-colour
// mode (entries are j): runs [0,i), [i,j), [j,n) take (1,0), (1/2,1/2), (0,1); alpha2 =
// 3/4 W(i) + 1/4 W(j), beta2 = W(n) - 1/4 W(i) - 3/4 W(j), alphaBeta = 1/4 (W(j) - W(i)), and
// twice alpha x = S(i) + S(j). Twice beta x is twice the total less twice alpha x.
struct TCutTable {
  int Entries = 0;
  int First[kMaxClusterColors + 2];  // first entry whose first later boundary is j
  alignas(64) float Alpha2[kPairSlots];
  alignas(64) float Beta2[kPairSlots];
  alignas(64) float AlphaBeta[kPairSlots];
  alignas(64) float AlphaX2[3][kPairSlots];
};

// The first boundary's share of the sums.
struct TFirstShare {
  float Alpha2, Beta2, AlphaBeta, AlphaX2[3];
};

template <bool Four>
struct TCoefficients;
template <>
struct TCoefficients<true> {
  static constexpr float kA2J = 3.0f / 9.0f, kA2K = 1.0f / 9.0f;
  static constexpr float kB2J = 3.0f / 9.0f, kB2K = 5.0f / 9.0f;
  static constexpr float kABK = 2.0f / 9.0f, kX = 2.0f / 3.0f;
  static constexpr float kA2I = 5.0f / 9.0f, kB2I = 1.0f / 9.0f, kABI = 2.0f / 9.0f;
};
template <>
struct TCoefficients<false> {
  static constexpr float kA2J = 0.25f, kB2J = 0.75f, kABK = 0.25f, kX = 1.0f;
  static constexpr float kA2I = 0.75f, kB2I = 0.25f, kABI = 0.25f;
};

template <bool Four>
PALLOGRAPH_INLINE TFirstShare FirstShare(const TClusterInput& in, int i) {
  using C = TCoefficients<Four>;
  const float w = in.Weight[i];
  TFirstShare share{w * C::kA2I, w * C::kB2I, w * C::kABI, {}};
  for (int c = 0; c < 3; ++c) share.AlphaX2[c] = in.Sum[c][i] * C::kX;
  return share;
}

// NaN in the lanes a last vector reads past the entries (none for the scalar form).
template <class T>
PALLOGRAPH_INLINE void PadTable(TCutTable& table, int entries) {
  if constexpr (T::kLanes > 1) {
    const typename T::V nan = T::Splat(NAN);
    T::Store(table.Alpha2 + entries, nan);
    T::Store(table.Beta2 + entries, nan);
    T::Store(table.AlphaBeta + entries, nan);
    for (auto& row : table.AlphaX2) T::Store(row + entries, nan);
  }
}

// Fills the table with lanes of T (entry by entry the same operations for every lane type).
template <class T>
void BuildFour(const TClusterInput& in, TCutTable& table) {
  using V = typename T::V;
  using C = TCoefficients<true>;
  const int n = in.Count;
  const V total = T::Splat(in.Weight[n]);
  int p = 0;
  for (int j = 0; j <= n; ++j) {
    table.First[j] = p;
    const float wj = in.Weight[j];
    const V a2j = T::Splat(wj * C::kA2J), b2j = total - T::Splat(wj * C::kB2J);
    float sj[3];
    for (int c = 0; c < 3; ++c) sj[c] = in.Sum[c][j];
    // Stores past this j's last entry are overwritten by the next j, or by the padding.
    for (int k = j; k <= n; k += T::kLanes, p += T::kLanes) {
      const V wk = T::Load(in.Weight + k);
      T::Store(table.Alpha2 + p, a2j + wk * T::Splat(C::kA2K));
      T::Store(table.Beta2 + p, b2j - wk * T::Splat(C::kB2K));
      T::Store(table.AlphaBeta + p, wk * T::Splat(C::kABK));
      for (int c = 0; c < 3; ++c) {
        T::Store(table.AlphaX2[c] + p,
                 (T::Splat(sj[c]) + T::Load(in.Sum[c] + k)) * T::Splat(C::kX));
      }
    }
    p = table.First[j] + (n - j + 1);
  }
  table.First[n + 1] = p;
  table.Entries = p;
  PadTable<T>(table, p);
}

template <class T>
void BuildThree(const TClusterInput& in, TCutTable& table) {
  using V = typename T::V;
  using C = TCoefficients<false>;
  const int n = in.Count;
  const V total = T::Splat(in.Weight[n]);
  for (int j = 0; j <= n; j += T::kLanes) {
    const V wj = T::Load(in.Weight + j);
    T::Store(table.Alpha2 + j, wj * T::Splat(C::kA2J));
    T::Store(table.Beta2 + j, total - wj * T::Splat(C::kB2J));
    T::Store(table.AlphaBeta + j, wj * T::Splat(C::kABK));
    for (int c = 0; c < 3; ++c) T::Store(table.AlphaX2[c] + j, T::Load(in.Sum[c] + j));
  }
  for (int j = 0; j <= n + 1; ++j) table.First[j] = j;
  table.Entries = n + 1;
  PadTable<T>(table, n + 1);
}

// The sums of the cuts at one table position for one first boundary.
template <class T>
struct TCutSums {
  using V = typename T::V;
  V alpha2, beta2, alphaBeta, alphaX2[3], betaX2[3];

  PALLOGRAPH_INLINE TCutSums(const TCutTable& table, int p, const TFirstShare& share,
                             const V total2[3]) {
    alpha2 = T::Load(table.Alpha2 + p) + T::Splat(share.Alpha2);
    beta2 = T::Load(table.Beta2 + p) - T::Splat(share.Beta2);
    alphaBeta = T::Load(table.AlphaBeta + p) - T::Splat(share.AlphaBeta);
    PALLOGRAPH_UNROLL
    for (int c = 0; c < 3; ++c) {
      alphaX2[c] = T::Load(table.AlphaX2[c] + p) + T::Splat(share.AlphaX2[c]);
      betaX2[c] = total2[c] - alphaX2[c];
    }
  }
};

// The inverse determinant halved (the x sums are doubled) and scaled by the grid of each
// channel kind: 5-bit for blue and red, 6-bit for green.
template <class T>
struct TFactors {
  typename T::V Five, Six;
  PALLOGRAPH_INLINE explicit TFactors(const TCutSums<T>& s) {
    const typename T::V half = T::Splat(0.5f) / (s.alpha2 * s.beta2 - s.alphaBeta * s.alphaBeta);
    Five = half * T::Splat(kGrid[0]);
    Six = half * T::Splat(kGrid[1]);
  }
};

// Least-squares endpoints of one channel, clamped and rounded to grid steps (the integer
// endpoint values, as floats).
template <class T, int C>
PALLOGRAPH_INLINE void SolveSteps(const TCutSums<T>& s, const TFactors<T>& f, typename T::V& start,
                                  typename T::V& end) {
  using V = typename T::V;
  const V factor = C == 1 ? f.Six : f.Five;
  const V zero = T::Splat(0.0f);
  const V grid = T::Splat(kGrid[C]);
  const V round = T::Splat(kRound);
  V a = (s.alphaX2[C] * s.beta2 - s.betaX2[C] * s.alphaBeta) * factor;
  V b = (s.betaX2[C] * s.alpha2 - s.alphaX2[C] * s.alphaBeta) * factor;
  a = T::Min(T::Max(a, zero), grid);
  b = T::Min(T::Max(b, zero), grid);
  start = (a + round) - round;
  end = (b + round) - round;
}

// Weighted squared error of one channel's snapped endpoints, without the constant sum of w x^2.
template <class T, int C>
PALLOGRAPH_INLINE typename T::V ChannelError(const TCutSums<T>& s, const TFactors<T>& f,
                                             typename T::V alphaBeta2) {
  using V = typename T::V;
  V start, end;
  SolveSteps<T, C>(s, f, start, end);
  const V inverse = T::Splat(kInverseGrid[C]);
  const V a = start * inverse;
  const V b = end * inverse;
  const V ea = a * (a * s.alpha2 - s.alphaX2[C]);
  const V eb = b * (b * s.beta2 - s.betaX2[C]);
  return (ea + eb) + (a * b) * alphaBeta2;
}

template <class T>
PALLOGRAPH_INLINE typename T::V CutError(const TCutSums<T>& s) {
  const TFactors<T> f(s);
  const typename T::V alphaBeta2 = s.alphaBeta + s.alphaBeta;
  const typename T::V blue = ChannelError<T, 0>(s, f, alphaBeta2);
  const typename T::V green = ChannelError<T, 1>(s, f, alphaBeta2);
  const typename T::V red = ChannelError<T, 2>(s, f, alphaBeta2);
  return (blue + green) + red;
}

// Every cut in search order (first boundary, then table entry); the first cut with the smallest
// error wins. Lanes keep their own first best; the reduction takes the smallest error and, among
// equal errors, the earliest position, which is the cut a one-at-a-time walk keeps.
template <class T, bool Four>
TClusterFit Search(const TClusterInput& in) {
  using V = typename T::V;
  const int n = in.Count;
  TCutTable table;
  if constexpr (Four) {
    BuildFour<T>(in, table);
  } else {
    BuildThree<T>(in, table);
  }
  V total2[3];
  for (int c = 0; c < 3; ++c) total2[c] = T::Splat(in.Sum[c][n] + in.Sum[c][n]);
  V bestError = T::Splat(FLT_MAX);
  V bestPosition = T::Splat(0.0f);
  const V iota = T::Iota();
  for (int i = 0; i <= n; ++i) {
    const TFirstShare share = FirstShare<Four>(in, i);
    for (int p = table.First[i]; p < table.Entries; p += T::kLanes) {
      const TCutSums<T> sums(table, p, share, total2);
      const V error = CutError<T>(sums);
      const auto better = T::Less(error, bestError);
      // The minimum keeps the old best on a tie or a NaN error, like the strict comparison.
      bestError = T::Min(error, bestError);
      bestPosition = T::Select(better, T::Splat(static_cast<float>(i * kPositionScale + p)) + iota,
                               bestPosition);
    }
  }
  float errors[T::kLanes], positions[T::kLanes];
  T::Store(errors, bestError);
  T::Store(positions, bestPosition);
  int best = 0;
  for (int l = 1; l < T::kLanes; ++l) {
    if (errors[l] < errors[best] || (errors[l] == errors[best] && positions[l] < positions[best]))
      best = l;
  }
  const int position = static_cast<int>(positions[best]);
  const int i = position / kPositionScale, p = position % kPositionScale;

  TClusterFit fit;
  int j = 0;
  while (j < n && table.First[j + 1] <= p) ++j;
  if constexpr (Four) {
    fit.Cut = {i, j, j + (p - table.First[j])};
  } else {
    fit.Cut = {i, p, n};
  }
  // The winner's endpoints, from the same table entry with the same operations.
  float scalarTotal2[3];
  for (int c = 0; c < 3; ++c) scalarTotal2[c] = in.Sum[c][n] + in.Sum[c][n];
  const TCutSums<TScalar> sums(table, p, FirstShare<Four>(in, i), scalarTotal2);
  const TFactors<TScalar> factors(sums);
  float start[3], end[3];
  SolveSteps<TScalar, 0>(sums, factors, start[0], end[0]);
  SolveSteps<TScalar, 1>(sums, factors, start[1], end[1]);
  SolveSteps<TScalar, 2>(sums, factors, start[2], end[2]);
  for (int c = 0; c < 3; ++c) {
    fit.Starts[c] = static_cast<int>(start[c]);
    fit.Ends[c] = static_cast<int>(end[c]);
  }
  return fit;
}

template <class T>
TClusterFit Fit(const TClusterInput& in, bool threeColor) {
  return threeColor ? Search<T, false>(in) : Search<T, true>(in);
}

}  // namespace
}  // namespace pallograph::cluster
