#include "texture/FitLevel.h"

#include <atomic>

#include "texture/Simd.h"

namespace pallograph {
namespace {

std::atomic<int> gLimit{static_cast<int>(TFitLevel::Avx2)};

}  // namespace

TFitLevel SupportedFitLevel() {
#if defined(PALLOGRAPH_WIDE_VECTORS)
  static const TFitLevel level = __builtin_cpu_supports("avx2")  ? TFitLevel::Avx2
                                 : __builtin_cpu_supports("avx") ? TFitLevel::Avx
                                                                 : TFitLevel::Sse;
  return level;
#elif defined(PALLOGRAPH_SSE2)
  return TFitLevel::Sse;
#else
  return TFitLevel::Scalar;
#endif
}

TFitLevel FitLevel() {
  const int limit = gLimit.load(std::memory_order_relaxed);
  const int supported = static_cast<int>(SupportedFitLevel());
  return static_cast<TFitLevel>(limit < supported ? limit : supported);
}

void LimitFitLevel(TFitLevel limit) {
  gLimit.store(static_cast<int>(limit), std::memory_order_relaxed);
}

}  // namespace pallograph
