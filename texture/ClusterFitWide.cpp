// The cluster fit with eight lanes, compiled for AVX and run only where the processor has it.
#include <algorithm>
#include <cfloat>

#include "texture/ClusterFit.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

#include "texture/ClusterKernel.h"

namespace pallograph {
namespace cluster {
namespace {

struct TFloat8 {
  __m256 v;
};
inline TFloat8 operator+(TFloat8 a, TFloat8 b) { return {_mm256_add_ps(a.v, b.v)}; }
inline TFloat8 operator-(TFloat8 a, TFloat8 b) { return {_mm256_sub_ps(a.v, b.v)}; }
inline TFloat8 operator*(TFloat8 a, TFloat8 b) { return {_mm256_mul_ps(a.v, b.v)}; }
inline TFloat8 operator/(TFloat8 a, TFloat8 b) { return {_mm256_div_ps(a.v, b.v)}; }

struct TVector8 {
  using V = TFloat8;
  static constexpr int kLanes = 8;
  static V Load(const float* p) { return {_mm256_loadu_ps(p)}; }
  static V Splat(float value) { return {_mm256_set1_ps(value)}; }
  static void Store(float* out, V v) { _mm256_storeu_ps(out, v.v); }
  static V Min(V a, V b) { return {_mm256_min_ps(a.v, b.v)}; }
  static V Max(V a, V b) { return {_mm256_max_ps(a.v, b.v)}; }
};

}  // namespace
}  // namespace cluster

TClusterCut BestCutWide(const TClusterInput& input, bool threeColor) {
  return threeColor ? cluster::BestCut3<cluster::TVector8>(input)
                    : cluster::BestCut4<cluster::TVector8>(input);
}

}  // namespace pallograph

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace pallograph {
bool HasWideVectors() { return __builtin_cpu_supports("avx"); }
}  // namespace pallograph

#else

namespace pallograph {
TClusterCut BestCutWide(const TClusterInput& input, bool threeColor) {
  return BestCutVector(input, threeColor);
}
bool HasWideVectors() { return false; }
}  // namespace pallograph

#endif
