// Endpoint pairs for blocks of one colour: for every 8-bit channel value, the pair of 5- or 6-bit
// endpoints whose interpolated palette entry comes nearest to it. Constant data, built at compile
// time, safe to read from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pallograph {

struct TEndpointPair {
  uint8_t First;
  uint8_t Second;
};

using TSingleColorTable = std::array<TEndpointPair, 256>;

namespace single_color {

constexpr int Expand(int value, int bits) {
  return bits == 5 ? (value << 3) | (value >> 2) : (value << 2) | (value >> 4);
}

// For every reachable interpolated value, the first pair in search order that gives it; then for
// every target value the nearest reachable value, ties going to the pair found first. This equals
// a full search over all pairs for every target value, in a fraction of the steps.
constexpr TSingleColorTable BuildTable(int bits, bool fourColor) {
  const int top = (1 << bits) - 1;
  std::array<int, 256> firstOrder{};
  std::array<TEndpointPair, 256> firstPair{};
  for (int& order : firstOrder) order = -1;
  int order = 0;
  for (int outer = 0; outer <= top; ++outer) {
    for (int inner = 0; inner <= top; ++inner, ++order) {
      // Three-colour tables run the first endpoint outside, four-colour tables the second.
      const int first = fourColor ? inner : outer;
      const int second = fourColor ? outer : inner;
      const int a = Expand(first, bits);
      const int b = Expand(second, bits);
      const int value = fourColor ? (2 * a + b) / 3 : (a + b) / 2;
      if (firstOrder[static_cast<size_t>(value)] < 0) {
        firstOrder[static_cast<size_t>(value)] = order;
        firstPair[static_cast<size_t>(value)] = {static_cast<uint8_t>(first),
                                                 static_cast<uint8_t>(second)};
      }
    }
  }
  TSingleColorTable table{};
  for (int v = 0; v < 256; ++v) {
    for (int distance = 0; distance < 256; ++distance) {
      int best = -1;
      for (const int candidate : {v - distance, v + distance}) {
        if (candidate < 0 || candidate > 255 || firstOrder[static_cast<size_t>(candidate)] < 0) {
          continue;
        }
        if (best < 0 ||
            firstOrder[static_cast<size_t>(candidate)] < firstOrder[static_cast<size_t>(best)]) {
          best = candidate;
        }
      }
      if (best >= 0) {
        table[static_cast<size_t>(v)] = firstPair[static_cast<size_t>(best)];
        break;
      }
    }
  }
  return table;
}

}  // namespace single_color

// Table 0: three-colour mode, green (6 bits); 1: three-colour mode, red and blue (5 bits);
// 2: four-colour mode, green; 3: four-colour mode, red and blue.
inline constexpr std::array<TSingleColorTable, 4> kSingleColorTables = {
    single_color::BuildTable(6, false), single_color::BuildTable(5, false),
    single_color::BuildTable(6, true), single_color::BuildTable(5, true)};

// kSingleColorTables.
const std::array<TSingleColorTable, 4>& SingleColorTables();

}  // namespace pallograph
