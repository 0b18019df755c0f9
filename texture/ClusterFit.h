// The cluster fit's search over every ordered split of the sorted colours into runs that take
// the palette entries in turn. Internal to the colour fit.
#pragma once

namespace pallograph {

inline constexpr int kMaxClusterColors = 16;
// Prefix sums are padded past Count so that vector loads at any boundary stay inside.
inline constexpr int kClusterPadded = 40;

// Prefix sums over the colours sorted along the principal axis: entry m holds the sums of the
// first m colours (weights, and weighted B, G, R in 0..1), entries past Count repeat the total.
struct TClusterInput {
  int Count = 0;
  float Weight[kClusterPadded];
  float Sum[3][kClusterPadded];
};

// Run boundaries in the sorted order: run 0 is [0, First), run 1 [First, Second), and in
// four-colour mode run 2 [Second, Third) and run 3 [Third, Count); in three-colour mode run 2
// is [Second, Count).
struct TClusterCut {
  int First = 0;
  int Second = 0;
  int Third = 0;
};

// The cut with the smallest error after snapping to the 5:6:5 grid (the first one on a tie),
// and its start and end endpoints on the grid, per channel B, G, R.
struct TClusterFit {
  TClusterCut Cut;
  int Starts[3] = {0, 0, 0};
  int Ends[3] = {0, 0, 0};
};

// The forms of the search, one per processor feature level; all give the same fit. The colour
// fit picks the form of the current fit level (texture/FitLevel.h).
TClusterFit FitClustersScalar(const TClusterInput& input, bool threeColor);
TClusterFit FitClustersSse(const TClusterInput& input, bool threeColor);
TClusterFit FitClustersAvx(const TClusterInput& input, bool threeColor);
TClusterFit FitClusters(const TClusterInput& input, bool threeColor);

}  // namespace pallograph
