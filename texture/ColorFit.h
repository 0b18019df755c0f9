// The colour fit for blocks of two or more distinct colours: a weighted principal axis, a cluster
// fit over every ordered split of the colours along it, and an integer refinement of the 5:6:5
// endpoints. Reads only its arguments and constant data; safe on any thread.
#pragma once

#include <cstdint>

#include "texture/ColorSet.h"

namespace pallograph {

// Writes the 8-byte colour half (colour 0, colour 1, index word) for a set with Count >= 2.
// Three-colour mode when the set HasTransparent (DXT1 only), else four-colour mode.
void FitColorBlock(uint8_t* dst, const ColorSet& set);

}  // namespace pallograph
