// Lanes of 32-bit integers for the block shade's four-colour kernel, written once over a lane
// type: one lane here (TIntScalar), eight AVX2 lanes in texture/IntLanesWide.h. Every operation
// has the same result in every lane type, so the kernel's blocks are the same in every form.
// Internal linkage: a unit compiled for wider vectors keeps its own copies.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include "texture/Simd.h"

namespace pallograph::lanes {
namespace {

struct TIntScalar {
  using V = int32_t;
  using M = bool;
  static constexpr int kLanes = 1;
  static PALLOGRAPH_INLINE V Load(const int32_t* p) { return *p; }
  static PALLOGRAPH_INLINE void Store(int32_t* out, V v) { *out = v; }
  static PALLOGRAPH_INLINE V Splat(int32_t value) { return value; }
  static PALLOGRAPH_INLINE V Add(V a, V b) { return a + b; }
  static PALLOGRAPH_INLINE V Sub(V a, V b) { return a - b; }
  // Products that fit 32 bits.
  static PALLOGRAPH_INLINE V Mul(V a, V b) { return a * b; }
  template <int N>
  static PALLOGRAPH_INLINE V ShiftLeft(V a) {
    return static_cast<V>(static_cast<uint32_t>(a) << N);
  }
  template <int N>
  static PALLOGRAPH_INLINE V ShiftRight(V a) {  // logical
    return static_cast<V>(static_cast<uint32_t>(a) >> N);
  }
  static PALLOGRAPH_INLINE V And(V a, V b) { return a & b; }
  static PALLOGRAPH_INLINE V AndNot(V a, V b) { return ~a & b; }
  static PALLOGRAPH_INLINE V Or(V a, V b) { return a | b; }
  static PALLOGRAPH_INLINE V Xor(V a, V b) { return a ^ b; }
  static PALLOGRAPH_INLINE V Min(V a, V b) { return a < b ? a : b; }
  static PALLOGRAPH_INLINE V Max(V a, V b) { return a > b ? a : b; }
  static PALLOGRAPH_INLINE M Less(V a, V b) { return a < b; }
  static PALLOGRAPH_INLINE M Equal(V a, V b) { return a == b; }
  static PALLOGRAPH_INLINE M MaskAnd(M a, M b) { return a && b; }
  static PALLOGRAPH_INLINE V Select(M m, V a, V b) { return m ? a : b; }
  static PALLOGRAPH_INLINE uint32_t Bits(M m) { return m ? 1u : 0u; }
  static PALLOGRAPH_INLINE V PopCount(V a) {
    return static_cast<V>(std::popcount(static_cast<uint32_t>(a)));
  }
  // num / den rounded down and clamped to 0..255, for den >= 1 and |num| below 2^24: a single-
  // precision division of exact integers, then truncation (a fraction lies at least 1 / den from
  // a whole number, more than the division's rounding error below 256 for den below 2^17).
  static PALLOGRAPH_INLINE V Quotient(V num, V den) {
    const float q = static_cast<float>(num) / static_cast<float>(den);
    return static_cast<V>(std::min(std::max(q, 0.0f), 255.0f));
  }
  // table[index] per lane.
  static PALLOGRAPH_INLINE V Lookup(const int32_t* table, V index) { return table[index]; }
};

}  // namespace
}  // namespace pallograph::lanes
