// Endpoint pairs for blocks of one colour: for every 8-bit channel value, the pair of 5- or 6-bit
// endpoints whose interpolated palette entry comes nearest to it. Constant data, built at compile
// time, safe to read from any thread.
#pragma once

#include <array>
#include <cstdint>

namespace pallograph {

struct TEndpointPair {
  uint8_t First;
  uint8_t Second;
};

using TSingleColorTable = std::array<TEndpointPair, 256>;

// Table 0: three-colour mode, green (6 bits); 1: three-colour mode, red and blue (5 bits);
// 2: four-colour mode, green; 3: four-colour mode, red and blue.
const std::array<TSingleColorTable, 4>& SingleColorTables();

}  // namespace pallograph
