// Eight AVX2 lanes of 32-bit integers, the widest form of texture/IntLanes.h. Include it only
// inside a region compiled for AVX2 (PALLOGRAPH_TARGET_BEGIN("avx2")), after the standard headers
// that unit needs, so that no inline library function is emitted with AVX2 code for other units
// to pick up.
#pragma once

#include "texture/IntLanes.h"
#include "texture/Simd.h"

#if defined(PALLOGRAPH_WIDE_VECTORS)

namespace pallograph::lanes {
namespace {

struct TInt8 {
  using V = __m256i;
  using M = __m256i;
  static constexpr int kLanes = 8;
  static PALLOGRAPH_INLINE V Load(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static PALLOGRAPH_INLINE void Store(int32_t* out, V v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
  }
  static PALLOGRAPH_INLINE V Splat(int32_t value) { return _mm256_set1_epi32(value); }
  static PALLOGRAPH_INLINE V Add(V a, V b) { return _mm256_add_epi32(a, b); }
  static PALLOGRAPH_INLINE V Sub(V a, V b) { return _mm256_sub_epi32(a, b); }
  static PALLOGRAPH_INLINE V Mul(V a, V b) { return _mm256_mullo_epi32(a, b); }
  template <int N>
  static PALLOGRAPH_INLINE V ShiftLeft(V a) {
    return _mm256_slli_epi32(a, N);
  }
  template <int N>
  static PALLOGRAPH_INLINE V ShiftRight(V a) {
    return _mm256_srli_epi32(a, N);
  }
  static PALLOGRAPH_INLINE V And(V a, V b) { return _mm256_and_si256(a, b); }
  static PALLOGRAPH_INLINE V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static PALLOGRAPH_INLINE V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static PALLOGRAPH_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  static PALLOGRAPH_INLINE V Min(V a, V b) { return _mm256_min_epi32(a, b); }
  static PALLOGRAPH_INLINE V Max(V a, V b) { return _mm256_max_epi32(a, b); }
  static PALLOGRAPH_INLINE M Less(V a, V b) { return _mm256_cmpgt_epi32(b, a); }
  static PALLOGRAPH_INLINE M Equal(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
  static PALLOGRAPH_INLINE M MaskAnd(M a, M b) { return _mm256_and_si256(a, b); }
  static PALLOGRAPH_INLINE V Select(M m, V a, V b) { return _mm256_blendv_epi8(b, a, m); }
  static PALLOGRAPH_INLINE uint32_t Bits(M m) {
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(m)));
  }
  static PALLOGRAPH_INLINE V PopCount(V a) {
    // Per byte through a nibble table, then the four bytes of each lane summed.
    const __m256i nibbles = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1,
                                             1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i low = _mm256_and_si256(a, _mm256_set1_epi8(0x0F));
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(a, 4), _mm256_set1_epi8(0x0F));
    const __m256i bytes =
        _mm256_add_epi8(_mm256_shuffle_epi8(nibbles, low), _mm256_shuffle_epi8(nibbles, high));
    return _mm256_madd_epi16(_mm256_maddubs_epi16(bytes, _mm256_set1_epi8(1)),
                             _mm256_set1_epi16(1));
  }
  static PALLOGRAPH_INLINE V Quotient(V num, V den) {
    const __m256 q = _mm256_div_ps(_mm256_cvtepi32_ps(num), _mm256_cvtepi32_ps(den));
    const __m256 clamped =
        _mm256_min_ps(_mm256_max_ps(q, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(clamped);
  }
  static PALLOGRAPH_INLINE V Lookup(const int32_t* table, V index) {
    alignas(32) int32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
    return _mm256_setr_epi32(table[at[0]], table[at[1]], table[at[2]], table[at[3]], table[at[4]],
                             table[at[5]], table[at[6]], table[at[7]]);
  }
};

}  // namespace
}  // namespace pallograph::lanes

#endif
