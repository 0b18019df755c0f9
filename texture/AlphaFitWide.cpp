// The alpha fit's candidate evaluation with 256-bit integer vectors, compiled for AVX2 and run
// only where the processor has it.
#include "texture/AlphaKernel.h"

#include "texture/AlphaFit.h"
#include "texture/Simd.h"

#if defined(PALLOGRAPH_WIDE_VECTORS)
PALLOGRAPH_TARGET_BEGIN("avx2")

namespace pallograph {

int PaletteErrorsAvx2(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, uint32_t* errors) {
  // Palette entry k is ((w0 a0 + w1 a1) * m) >> 16 in 16-bit lanes, eight entries per candidate
  // and one candidate per 128-bit half. Entries 0 and 1 come out as a0 and a1 exactly (7 * 9363
  // and 5 * 13108 are 2^16 plus less than 2^16 / 255). In six-value mode entries 6 and 7 weigh
  // nothing and give 0, which is never nearer than `base`.
  const __m256i w0 = sixValue ? _mm256_setr_epi16(5, 0, 4, 3, 2, 1, 0, 0, 5, 0, 4, 3, 2, 1, 0, 0)
                              : _mm256_setr_epi16(7, 0, 6, 5, 4, 3, 2, 1, 7, 0, 6, 5, 4, 3, 2, 1);
  const __m256i w1 = sixValue ? _mm256_setr_epi16(0, 5, 1, 2, 3, 4, 0, 0, 0, 5, 1, 2, 3, 4, 0, 0)
                              : _mm256_setr_epi16(0, 7, 1, 2, 3, 4, 5, 6, 0, 7, 1, 2, 3, 4, 5, 6);
  const __m256i multiplier = _mm256_set1_epi16(static_cast<short>(sixValue ? 13108 : 9363));
  const int entries = sixValue ? 6 : 8;
  const __m128i x128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alphas));
  const __m256i x = _mm256_broadcastsi128_si256(x128);
  const __m256i nearestBase =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base)));
  const __m256i zero = _mm256_setzero_si256();
  for (int c = 0; c < count; c += 2) {
    const int d = c + 1 < count ? c + 1 : c;
    const __m256i a0 = _mm256_setr_m128i(_mm_set1_epi16(alpha0[c]), _mm_set1_epi16(alpha0[d]));
    const __m256i a1 = _mm256_setr_m128i(_mm_set1_epi16(alpha1[c]), _mm_set1_epi16(alpha1[d]));
    const __m256i sums = _mm256_add_epi16(_mm256_mullo_epi16(w0, a0), _mm256_mullo_epi16(w1, a1));
    const __m256i palette16 = _mm256_mulhi_epu16(sums, multiplier);
    const __m256i palette = _mm256_packus_epi16(palette16, palette16);
    __m256i nearest = nearestBase;
    for (int k = 0; k < entries; ++k) {
      const __m256i p = _mm256_shuffle_epi8(palette, _mm256_set1_epi8(static_cast<char>(k)));
      const __m256i distance = _mm256_or_si256(_mm256_subs_epu8(x, p), _mm256_subs_epu8(p, x));
      nearest = _mm256_min_epu8(nearest, distance);
    }
    const __m256i lo = _mm256_unpacklo_epi8(nearest, zero);
    const __m256i hi = _mm256_unpackhi_epi8(nearest, zero);
    __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(lo, lo), _mm256_madd_epi16(hi, hi));
    sum = _mm256_add_epi32(sum, _mm256_shuffle_epi32(sum, 0x4E));
    sum = _mm256_add_epi32(sum, _mm256_shuffle_epi32(sum, 0xB1));
    errors[c] = static_cast<uint32_t>(_mm256_extract_epi32(sum, 0));
    if (d != c) errors[d] = static_cast<uint32_t>(_mm256_extract_epi32(sum, 4));
    if (errors[c] == 0 || errors[d] == 0) return d + 1;
  }
  return count;
}

}  // namespace pallograph

PALLOGRAPH_TARGET_END()

#else

namespace pallograph {

int PaletteErrorsAvx2(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, uint32_t* errors) {
  return PaletteErrorsEach(alphas, base, alpha0, alpha1, count, sixValue, true, errors);
}

}  // namespace pallograph

#endif
