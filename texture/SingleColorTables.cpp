#include "texture/SingleColorTables.h"

namespace pallograph {
namespace {

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
      if (firstOrder[value] < 0) {
        firstOrder[value] = order;
        firstPair[value] = {static_cast<uint8_t>(first), static_cast<uint8_t>(second)};
      }
    }
  }
  TSingleColorTable table{};
  for (int v = 0; v < 256; ++v) {
    for (int distance = 0; distance < 256; ++distance) {
      int best = -1;
      for (const int candidate : {v - distance, v + distance}) {
        if (candidate < 0 || candidate > 255 || firstOrder[candidate] < 0) continue;
        if (best < 0 || firstOrder[candidate] < firstOrder[best]) best = candidate;
      }
      if (best >= 0) {
        table[v] = firstPair[best];
        break;
      }
    }
  }
  return table;
}

constexpr std::array<TSingleColorTable, 4> kTables = {BuildTable(6, false), BuildTable(5, false),
                                                      BuildTable(6, true), BuildTable(5, true)};

}  // namespace

const std::array<TSingleColorTable, 4>& SingleColorTables() { return kTables; }

}  // namespace pallograph
