#include "texture/FitLevel.h"

#include <atomic>

namespace pallograph {
namespace {

std::atomic<int> gLimit{static_cast<int>(TFitLevel::Avx2)};

}  // namespace

TFitLevel SupportedFitLevel() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const TFitLevel level = __builtin_cpu_supports("avx2")  ? TFitLevel::Avx2
                                 : __builtin_cpu_supports("avx") ? TFitLevel::Avx
                                                                 : TFitLevel::Sse;
  return level;
#elif defined(__SSE2__) || defined(_M_X64)
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
