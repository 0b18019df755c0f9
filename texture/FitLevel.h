// Which processor features the block fits use. Every level gives the same bytes; the highest
// level the processor has is the default, and tests lower it to compare the forms.
#pragma once

namespace pallograph {

// Scalar; SSE2 (four float lanes, 128-bit integers); AVX (eight float lanes); AVX2 (also 256-bit
// integers).
enum class TFitLevel { Scalar = 0, Sse = 1, Avx = 2, Avx2 = 3 };

// The highest level this processor (and this build) supports.
TFitLevel SupportedFitLevel();

// The level in use: the supported level, unless lowered. Process-wide; may change at any time
// (each block reads it once).
TFitLevel FitLevel();
void LimitFitLevel(TFitLevel limit);

}  // namespace pallograph
