// The codec's instruction-set switches: whether the baseline vector instructions (SSE2, on every
// x86-64 processor) are there, and the bracket that compiles a region of one unit for a wider
// set, which then runs only where the processor has it (texture/FitLevel.h chooses).
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PALLOGRAPH_SSE2 1
#endif

// The units with AVX or AVX2 forms compile them on x86-64 with GCC or Clang; elsewhere they fall
// back to the narrower forms.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PALLOGRAPH_WIDE_VECTORS 1
#define PALLOGRAPH_PRAGMA(...) _Pragma(#__VA_ARGS__)
#if defined(__clang__)
#define PALLOGRAPH_TARGET_BEGIN(isa) \
  PALLOGRAPH_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define PALLOGRAPH_TARGET_END() PALLOGRAPH_PRAGMA(clang attribute pop)
#else
#define PALLOGRAPH_TARGET_BEGIN(isa) \
  PALLOGRAPH_PRAGMA(GCC push_options) PALLOGRAPH_PRAGMA(GCC target(isa))
#define PALLOGRAPH_TARGET_END() PALLOGRAPH_PRAGMA(GCC pop_options)
#endif
#endif

// Forces inlining of the small helpers of the block fits' kernels, and unrolls their short loops.
#if defined(__clang__)
#define PALLOGRAPH_INLINE inline __attribute__((always_inline))
#define PALLOGRAPH_UNROLL _Pragma("unroll")
#elif defined(__GNUC__)
#define PALLOGRAPH_INLINE inline __attribute__((always_inline))
#define PALLOGRAPH_UNROLL _Pragma("GCC unroll 4")
#else
#define PALLOGRAPH_INLINE __forceinline
#define PALLOGRAPH_UNROLL
#endif

namespace pallograph {

// Tells the processor that the caller is waiting in a loop for another thread.
inline void SpinPause() {
#if defined(PALLOGRAPH_SSE2)
  _mm_pause();
#endif
}

}  // namespace pallograph
