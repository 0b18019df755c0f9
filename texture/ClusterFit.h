// The cluster fit's search over every ordered split of the sorted colours into runs that take
// the palette entries in turn. Internal to the colour fit.
#pragma once

namespace pallograph {

// Prefix sums are padded past Count so that 8-wide loads at any cut stay inside.
inline constexpr int kClusterPadded = 24;

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

// The cut with the smallest error after snapping to the 5:6:5 grid, the first one on a tie.
// The scalar and the vector form give the same cut.
TClusterCut BestCutScalar(const TClusterInput& input, bool threeColor);
TClusterCut BestCutVector(const TClusterInput& input, bool threeColor);

// The eight-lane form (same cut again), for processors that have the wider vectors.
TClusterCut BestCutWide(const TClusterInput& input, bool threeColor);
bool HasWideVectors();

// Start and end endpoints of a cut on the 5:6:5 grid, per channel B, G, R.
void CutEndpoints(const TClusterInput& input, bool threeColor, const TClusterCut& cut,
                  int starts[3], int ends[3]);

}  // namespace pallograph
