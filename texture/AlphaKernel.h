// The alpha fit's candidate evaluation with wide integer vectors. Internal to the alpha fit.
#pragma once

#include <cstdint>

namespace pallograph {

// For each candidate c (endpoints alpha0[c], alpha1[c], in the order of the pass's mode), the sum
// over the 16 alphas of the squared distance to the nearest palette entry, where `base` holds
// each alpha's distance to the entries that do not depend on the endpoints (0 and 255 in
// six-value mode, 255 as "none" in eight-value mode). Exact integer arithmetic: the same sums as
// the palette of AlphaPalette gives. Needs AVX2; two candidates per step. Stops after the step
// that finds an error of zero; returns how many candidates have their error (a prefix).
int PaletteErrorsAvx2(const uint8_t* alphas, const uint8_t* base, const uint8_t* alpha0,
                      const uint8_t* alpha1, int count, bool sixValue, uint32_t* errors);

}  // namespace pallograph
