// The alpha fit's candidate evaluation, one candidate at a time or with wide integer vectors.
// Internal to the alpha fit.
#pragma once

#include <cstdint>

namespace pallograph {

// For each candidate c (endpoints alpha0[c], alpha1[c], in the order of the pass's mode), the sum
// over the 16 alphas of the squared distance to the nearest palette entry, where `base` holds
// each alpha's distance to the entries that do not depend on the endpoints (0 and 255 in
// six-value mode, 255 as "none" in eight-value mode). Exact integer arithmetic: the same sums as
// the palette of AlphaPalette gives. Stops after the candidate (or step) that finds an error of
// zero; returns how many candidates have their error (a prefix).
//
// One at a time, with SSE2 over the 16 alphas where `vector` is set and the processor has it.
int PaletteErrorsEach(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, bool vector,
                      uint32_t* errors);
// Two candidates per step with AVX2; on builds without it, the same as PaletteErrorsEach.
int PaletteErrorsAvx2(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, uint32_t* errors);

}  // namespace pallograph
