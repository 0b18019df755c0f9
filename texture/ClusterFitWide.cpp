// The cluster fit with eight lanes, compiled for AVX and run only where the processor has it.
// The standard headers the kernel uses come first, outside the AVX region, so that no inline
// library function is emitted with AVX code for other units to pick up.
#include <cfloat>
#include <cmath>

#include "texture/ClusterFit.h"
#include "texture/Simd.h"

#if defined(PALLOGRAPH_WIDE_VECTORS)
PALLOGRAPH_TARGET_BEGIN("avx")

#include "texture/ClusterKernel.h"

namespace pallograph {
namespace cluster {
namespace {

struct TFloat8 {
  __m256 v;
};
PALLOGRAPH_INLINE TFloat8 operator+(TFloat8 a, TFloat8 b) { return {_mm256_add_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat8 operator-(TFloat8 a, TFloat8 b) { return {_mm256_sub_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat8 operator*(TFloat8 a, TFloat8 b) { return {_mm256_mul_ps(a.v, b.v)}; }
PALLOGRAPH_INLINE TFloat8 operator/(TFloat8 a, TFloat8 b) { return {_mm256_div_ps(a.v, b.v)}; }

struct TVector8 {
  using V = TFloat8;
  using M = TFloat8;
  static constexpr int kLanes = 8;
  static PALLOGRAPH_INLINE V Load(const float* p) { return {_mm256_loadu_ps(p)}; }
  static PALLOGRAPH_INLINE V Splat(float value) { return {_mm256_set1_ps(value)}; }
  static PALLOGRAPH_INLINE void Store(float* out, V v) { _mm256_storeu_ps(out, v.v); }
  static PALLOGRAPH_INLINE V Iota() { return {_mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7)}; }
  static PALLOGRAPH_INLINE V Min(V a, V b) { return {_mm256_min_ps(a.v, b.v)}; }
  static PALLOGRAPH_INLINE V Max(V a, V b) { return {_mm256_max_ps(a.v, b.v)}; }
  static PALLOGRAPH_INLINE M Less(V a, V b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ)}; }
  static PALLOGRAPH_INLINE V Select(M m, V a, V b) {
    return {_mm256_or_ps(_mm256_and_ps(m.v, a.v), _mm256_andnot_ps(m.v, b.v))};
  }
};

}  // namespace
}  // namespace cluster

TClusterFit FitClustersAvx(const TClusterInput& input, bool threeColor) {
  return cluster::Fit<cluster::TVector8>(input, threeColor);
}

}  // namespace pallograph

PALLOGRAPH_TARGET_END()

#else

namespace pallograph {
TClusterFit FitClustersAvx(const TClusterInput& input, bool threeColor) {
  return FitClustersSse(input, threeColor);
}
}  // namespace pallograph

#endif
