// The four-colour block shade, written once over an integer lane type (texture/IntLanes.h): one
// block per lane. Every step is exact integer arithmetic, but for the least-squares quotients,
// which are single-precision divisions of exact integers rounded down without error; so every
// form gives the same blocks. Included by the four-colour shade's units only; everything here
// has internal linkage.
//
// A block's texels fall into four classes, one per index, each with one ideal colour (the source
// palette entry changed by the channels' rule). The block keeps its indices and takes, per
// channel, the pair of grid endpoints that bracket the least-squares endpoints with the least
// error, or takes one colour from the one-colour tables where that comes closer. A block whose
// error stays above the bound is searched further: each mapping's least-squares endpoints
// rounded to the nearest grid endpoints give it an error, the mapping with the least error (the
// first of equal ones) gets the bracketing pairs as above, and it replaces the block's fit when
// it comes closer.
#pragma once

#include <climits>
#include <cstdint>

#include "texture/IntLanes.h"
#include "texture/ShadeFourColor.h"
#include "texture/SingleColorTables.h"

namespace pallograph::shade {
namespace {

// Blue (5 bits from bit 0), green (6 bits from bit 5), red (5 bits from bit 11).
constexpr int kShift[3] = {0, 5, 11};
constexpr int kTop[3] = {31, 63, 31};

// Weight of colour 0 in each palette entry, in thirds.
constexpr int32_t kEntryWeight[4] = {3, 0, 2, 1};

// Per class, per mapping: the class's new entry and that entry's weight of colour 0.
struct TMappingTables {
  int32_t Entry[4][kShadeMappings];
  int32_t Weight[4][kShadeMappings];
};

constexpr TMappingTables BuildMappingTables() {
  TMappingTables tables{};
  for (size_t k = 0; k < 4; ++k) {
    for (size_t m = 0; m < kShadeMappings; ++m) {
      tables.Entry[k][m] = kShadeMappingTable[m][k];
      tables.Weight[k][m] = kEntryWeight[kShadeMappingTable[m][k]];
    }
  }
  return tables;
}

constexpr TMappingTables kMappingTables = BuildMappingTables();

// The four-colour one-colour tables (green, then red and blue), each pair as first | second << 8.
struct TOneColorTables {
  int32_t Pair[2][256];
};

constexpr TOneColorTables BuildOneColorTables() {
  TOneColorTables tables{};
  for (size_t v = 0; v < 256; ++v) {
    for (size_t t = 0; t < 2; ++t) {
      const TEndpointPair pair = kSingleColorTables[2 + t][v];
      tables.Pair[t][v] = pair.First | pair.Second << 8;
    }
  }
  return tables;
}

constexpr TOneColorTables kOneColorTables = BuildOneColorTables();

template <class L>
PALLOGRAPH_INLINE typename L::V K(int32_t value) {
  return L::Splat(value);
}

// The expansion of a grid endpoint of channel C to 8 bits (bit replication).
template <class L, int C>
PALLOGRAPH_INLINE typename L::V Expand(typename L::V g) {
  if constexpr (C == 1) {
    return L::Or(L::template ShiftLeft<2>(g), L::template ShiftRight<4>(g));
  } else {
    return L::Or(L::template ShiftLeft<3>(g), L::template ShiftRight<2>(g));
  }
}

// The largest grid endpoint of channel C whose expansion is at most v (0..255): (16v + 15) / 65
// or (4v + 3) / 33 rounded down, through a multiplication that is exact over that range.
template <class L, int C>
PALLOGRAPH_INLINE typename L::V FloorEndpoint(typename L::V v) {
  if constexpr (C == 1) {
    return L::template ShiftRight<18>(
        L::Mul(L::Add(L::template ShiftLeft<4>(v), K<L>(15)), K<L>(4033)));
  } else {
    return L::template ShiftRight<15>(
        L::Mul(L::Add(L::template ShiftLeft<2>(v), K<L>(3)), K<L>(993)));
  }
}

// x / 3 rounded down, for 0 <= x <= 765.
template <class L>
PALLOGRAPH_INLINE typename L::V Third(typename L::V x) {
  return L::template ShiftRight<16>(L::Mul(x, K<L>(21846)));
}

template <class L>
PALLOGRAPH_INLINE typename L::V Square(typename L::V count, typename L::V d) {
  return L::Mul(count, L::Mul(d, d));
}

// The palette entry of weight w (in thirds) between expanded endpoints a and b.
template <class L>
PALLOGRAPH_INLINE typename L::V Entry(typename L::V w, typename L::V a, typename L::V b) {
  return Third<L>(L::Add(L::Mul(w, a), L::Mul(L::Sub(K<L>(3), w), b)));
}

// The block's classes and their ideal values.
template <class L>
struct TModel {
  using V = typename L::V;
  V Count[4];
  V Total;           // texels inside
  V Ideal[3][4];     // per channel, per class
  V Weighted[3][4];  // Count * Ideal
  V Sum[3];          // of Weighted
};

// A fit: endpoints as 5:6:5 colours, the new entry of each class, the squared error.
template <class L>
struct TFit {
  using V = typename L::V;
  V Start, End;
  V Map[4];
  V Error;
};

// Normal equations of the weights w (thirds) per class.
template <class L>
struct TNormal {
  using V = typename L::V;
  V M11, M12, M22, Det;
  typename L::M Fits;  // the weights are not all one value: there is a line to fit
  V Divisor;           // Det where it fits, else 1
};

template <class L>
PALLOGRAPH_INLINE TNormal<L> Normal(const TModel<L>& model, const typename L::V* w) {
  using V = typename L::V;
  V sumWeight = K<L>(0), sumWeight2 = K<L>(0);
  for (int k = 0; k < 4; ++k) {
    sumWeight = L::Add(sumWeight, L::Mul(model.Count[k], w[k]));
    sumWeight2 = L::Add(sumWeight2, L::Mul(model.Count[k], L::Mul(w[k], w[k])));
  }
  TNormal<L> n;
  n.M11 = sumWeight2;
  n.M12 = L::Sub(L::Mul(K<L>(3), sumWeight), sumWeight2);
  n.M22 = L::Add(L::Sub(L::Mul(K<L>(9), model.Total), L::Mul(K<L>(6), sumWeight)), sumWeight2);
  n.Det = L::Sub(L::Mul(n.M11, n.M22), L::Mul(n.M12, n.M12));
  n.Fits = L::Less(K<L>(0), n.Det);
  n.Divisor = L::Select(n.Fits, n.Det, K<L>(1));
  return n;
}

// The numerators of the least-squares endpoints of channel C (times the determinant).
template <class L, int C>
PALLOGRAPH_INLINE void Numerators(const TModel<L>& model, const TNormal<L>& n,
                                  const typename L::V* w, typename L::V& numA,
                                  typename L::V& numB) {
  using V = typename L::V;
  V r1 = K<L>(0);
  for (int k = 0; k < 4; ++k) r1 = L::Add(r1, L::Mul(w[k], model.Weighted[C][k]));
  const V r2 = L::Sub(L::Mul(K<L>(3), model.Sum[C]), r1);
  numA = L::Mul(K<L>(3), L::Sub(L::Mul(n.M22, r1), L::Mul(n.M12, r2)));
  numB = L::Mul(K<L>(3), L::Sub(L::Mul(n.M11, r2), L::Mul(n.M12, r1)));
}

// The grid endpoints of channel C that bracket the least-squares endpoints for weights w: the
// largest whose expansion is at most the quotient, and the next one up; and their expansions.
template <class L>
struct TBrackets {
  using V = typename L::V;
  V Starts[2], Ends[2];  // grid endpoints
  V Xa[2], Xb[2];        // their expansions
};

template <class L, int C>
PALLOGRAPH_INLINE TBrackets<L> Brackets(const TModel<L>& model, const TNormal<L>& n,
                                        const typename L::V* w) {
  using V = typename L::V;
  V numA, numB;
  Numerators<L, C>(model, n, w, numA, numB);
  TBrackets<L> b;
  b.Starts[0] = FloorEndpoint<L, C>(L::Quotient(numA, n.Divisor));
  b.Ends[0] = FloorEndpoint<L, C>(L::Quotient(numB, n.Divisor));
  b.Starts[1] = L::Min(L::Add(b.Starts[0], K<L>(1)), K<L>(kTop[C]));
  b.Ends[1] = L::Min(L::Add(b.Ends[0], K<L>(1)), K<L>(kTop[C]));
  for (int i = 0; i < 2; ++i) {
    b.Xa[i] = Expand<L, C>(b.Starts[i]);
    b.Xb[i] = Expand<L, C>(b.Ends[i]);
  }
  return b;
}

// Of the four pairs (low start, low end first; then low, high; high, low; high, high), the
// first with the least error(i, j) goes into channel C of the fit.
template <class L, int C, class TPairError>
PALLOGRAPH_INLINE void TakeBestPair(const TBrackets<L>& b, const TPairError& error, TFit<L>& fit) {
  using V = typename L::V;
  V best = K<L>(INT32_MAX), start = b.Starts[0], end = b.Ends[0];
  for (int p = 0; p < 4; ++p) {
    const V e = error(p >> 1, p & 1);
    const auto better = L::Less(e, best);
    best = L::Select(better, e, best);
    start = L::Select(better, b.Starts[p >> 1], start);
    end = L::Select(better, b.Ends[p & 1], end);
  }
  fit.Error = L::Add(fit.Error, best);
  fit.Start = L::Or(fit.Start, L::template ShiftLeft<kShift[C]>(start));
  fit.End = L::Or(fit.End, L::template ShiftLeft<kShift[C]>(end));
}

// Channel C of the bracketing fit for weights w.
template <class L, int C>
PALLOGRAPH_INLINE void BracketChannel(const TModel<L>& model, const TNormal<L>& n,
                                      const typename L::V* w, TFit<L>& fit) {
  using V = typename L::V;
  const TBrackets<L> b = Brackets<L, C>(model, n, w);
  TakeBestPair<L, C>(
      b,
      [&](int i, int j) {
        V error = K<L>(0);
        for (int k = 0; k < 4; ++k) {
          const V d = L::Sub(Entry<L>(w[k], b.Xa[i], b.Xb[j]), model.Ideal[C][k]);
          error = L::Add(error, Square<L>(model.Count[k], d));
        }
        return error;
      },
      fit);
}

// The bracketing fit of the mapping whose weights (thirds) per class are w and entries e.
template <class L>
PALLOGRAPH_INLINE TFit<L> BracketFit(const TModel<L>& model, const typename L::V* w,
                                     const typename L::V* e) {
  const TNormal<L> n = Normal<L>(model, w);
  TFit<L> fit;
  fit.Start = fit.End = fit.Error = K<L>(0);
  for (int k = 0; k < 4; ++k) fit.Map[k] = e[k];
  BracketChannel<L, 0>(model, n, w, fit);
  BracketChannel<L, 1>(model, n, w, fit);
  BracketChannel<L, 2>(model, n, w, fit);
  fit.Error = L::Select(n.Fits, fit.Error, K<L>(INT32_MAX));
  return fit;
}

// Channel C of the bracketing fit of the source's own mapping: BracketChannel with the weights
// 3, 0, 2, 1, where classes 0 and 1 lie on the endpoints themselves and so depend on one of them.
template <class L, int C>
PALLOGRAPH_INLINE void IdentityChannel(const TModel<L>& model, const TNormal<L>& n, TFit<L>& fit) {
  using V = typename L::V;
  const V w[4] = {K<L>(3), K<L>(0), K<L>(2), K<L>(1)};
  const TBrackets<L> b = Brackets<L, C>(model, n, w);
  const V* ideal = model.Ideal[C];
  const V startErrors[2] = {Square<L>(model.Count[0], L::Sub(b.Xa[0], ideal[0])),
                            Square<L>(model.Count[0], L::Sub(b.Xa[1], ideal[0]))};
  const V endErrors[2] = {Square<L>(model.Count[1], L::Sub(b.Xb[0], ideal[1])),
                          Square<L>(model.Count[1], L::Sub(b.Xb[1], ideal[1]))};
  TakeBestPair<L, C>(
      b,
      [&](int i, int j) {
        const V third = Third<L>(L::Add(L::Add(b.Xa[i], b.Xa[i]), b.Xb[j]));
        const V twoThirds = Third<L>(L::Add(b.Xa[i], L::Add(b.Xb[j], b.Xb[j])));
        return L::Add(L::Add(startErrors[i], endErrors[j]),
                      L::Add(Square<L>(model.Count[2], L::Sub(third, ideal[2])),
                             Square<L>(model.Count[3], L::Sub(twoThirds, ideal[3]))));
      },
      fit);
}

// Channel C of the one-colour fit: every class on entry 2, the endpoints from the one-colour
// table for the classes' mean.
template <class L, int C>
PALLOGRAPH_INLINE void OneColorChannel(const TModel<L>& model, typename L::V twiceTotal,
                                       TFit<L>& fit) {
  using V = typename L::V;
  // The classes' mean, rounded: (2 sum + total) / (2 total) rounded down.
  const V mean = L::Quotient(L::Add(L::Add(model.Sum[C], model.Sum[C]), model.Total), twiceTotal);
  const V pair = L::Lookup(kOneColorTables.Pair[C == 1 ? 0 : 1], mean);
  const V first = L::And(pair, K<L>(0xFF));
  const V second = L::template ShiftRight<8>(pair);
  const V entry =
      Third<L>(L::Add(L::Add(Expand<L, C>(first), Expand<L, C>(first)), Expand<L, C>(second)));
  for (int k = 0; k < 4; ++k) {
    fit.Error = L::Add(fit.Error, Square<L>(model.Count[k], L::Sub(entry, model.Ideal[C][k])));
  }
  fit.Start = L::Or(fit.Start, L::template ShiftLeft<kShift[C]>(first));
  fit.End = L::Or(fit.End, L::template ShiftLeft<kShift[C]>(second));
}

// The expanded grid endpoint of channel C nearest to num / den (the lower one on a tie), chosen
// between the two that bracket the quotient by exact integer comparison.
template <class L, int C>
PALLOGRAPH_INLINE typename L::V NearestEndpoint(typename L::V num, typename L::V den) {
  using V = typename L::V;
  const V g = FloorEndpoint<L, C>(L::Quotient(num, den));
  const V low = Expand<L, C>(g);
  const V high = Expand<L, C>(L::Min(L::Add(g, K<L>(1)), K<L>(kTop[C])));
  const auto up = L::Less(L::Sub(L::Mul(high, den), num), L::Sub(num, L::Mul(low, den)));
  return L::Select(up, high, low);
}

// The error of mapping m with each channel's least-squares endpoints rounded to the nearest grid
// endpoints; INT32_MAX where the mapping has no line to fit.
template <class L, int C>
PALLOGRAPH_INLINE typename L::V RoundedChannelError(const TModel<L>& model, const TNormal<L>& n,
                                                    const typename L::V* w) {
  using V = typename L::V;
  V numA, numB;
  Numerators<L, C>(model, n, w, numA, numB);
  const V a = NearestEndpoint<L, C>(numA, n.Divisor);
  const V b = NearestEndpoint<L, C>(numB, n.Divisor);
  V error = K<L>(0);
  for (int k = 0; k < 4; ++k) {
    error =
        L::Add(error, Square<L>(model.Count[k], L::Sub(Entry<L>(w[k], a, b), model.Ideal[C][k])));
  }
  return error;
}

// Channel C of the source palette changed by the channels' rule: the ideal value of each class.
template <class L, int C>
PALLOGRAPH_INLINE void IdealChannel(const TShadeChannels& channels, typename L::V color0,
                                    typename L::V color1, TModel<L>& model) {
  using V = typename L::V;
  const V a = Expand<L, C>(L::And(L::template ShiftRight<kShift[C]>(color0), K<L>(kTop[C])));
  const V b = Expand<L, C>(L::And(L::template ShiftRight<kShift[C]>(color1), K<L>(kTop[C])));
  const V source[4] = {a, b, Third<L>(L::Add(L::Add(a, a), b)), Third<L>(L::Add(a, L::Add(b, b)))};
  const V multiplier = K<L>(channels.Multiplier[C]);
  const V offset = K<L>(channels.Offset[C]);
  model.Sum[C] = K<L>(0);
  for (int k = 0; k < 4; ++k) {
    model.Ideal[C][k] = L::Add(L::template ShiftRight<19>(L::Mul(source[k], multiplier)), offset);
    model.Weighted[C][k] = L::Mul(model.Count[k], model.Ideal[C][k]);
    model.Sum[C] = L::Add(model.Sum[C], model.Weighted[C][k]);
  }
}

// The model of the lanes' source blocks at `at`, and each class's texels as the low bits of
// their index fields.
template <class L>
PALLOGRAPH_INLINE TModel<L> Model(const TShadeChannels& channels, const TShadeBatch& batch, int at,
                                  typename L::V* members) {
  using V = typename L::V;
  const V color0 = L::Load(batch.Color0 + at);
  const V color1 = L::Load(batch.Color1 + at);
  const V indices = L::Load(batch.Indices + at);
  const V inside = L::Load(batch.Inside + at);
  const V fives = K<L>(0x55555555);
  const V low = L::And(indices, fives);
  const V high = L::And(L::template ShiftRight<1>(indices), fives);
  members[0] = L::AndNot(L::Or(high, low), fives);
  members[1] = L::AndNot(high, low);
  members[2] = L::AndNot(low, high);
  members[3] = L::And(high, low);
  TModel<L> model;
  model.Total = K<L>(0);
  for (int k = 0; k < 4; ++k) {
    model.Count[k] = L::PopCount(L::And(members[k], inside));
    model.Total = L::Add(model.Total, model.Count[k]);
  }
  IdealChannel<L, 0>(channels, color0, color1, model);
  IdealChannel<L, 1>(channels, color0, color1, model);
  IdealChannel<L, 2>(channels, color0, color1, model);
  return model;
}

// The colour half of a fit: DXT1 keeps colour 0 above colour 1 (swapped endpoints give the same
// palette with entries 0 and 1, 2 and 3 exchanged), and equal endpoints, which read as a
// three-colour block all of whose colours are alike, put every texel on entry 0.
template <class L>
PALLOGRAPH_INLINE void Assemble(TFit<L> fit, bool dxt1, const typename L::V* members,
                                typename L::V& color0, typename L::V& color1,
                                typename L::V& indices) {
  using V = typename L::V;
  color0 = fit.Start;
  color1 = fit.End;
  if (dxt1) {
    const auto swap = L::Less(fit.Start, fit.End);
    color0 = L::Select(swap, fit.End, fit.Start);
    color1 = L::Select(swap, fit.Start, fit.End);
    const auto equal = L::Equal(color0, color1);
    for (int k = 0; k < 4; ++k) {
      fit.Map[k] = L::Select(swap, L::Xor(fit.Map[k], K<L>(1)), fit.Map[k]);
      fit.Map[k] = L::Select(equal, K<L>(0), fit.Map[k]);
    }
  }
  V word = K<L>(0);
  for (int k = 0; k < 4; ++k) {
    const auto lowBit = L::Equal(L::And(fit.Map[k], K<L>(1)), K<L>(1));
    const auto highBit = L::Equal(L::And(fit.Map[k], K<L>(2)), K<L>(2));
    word = L::Or(word, L::Select(lowBit, members[k], K<L>(0)));
    word = L::Or(word, L::Select(highBit, L::template ShiftLeft<1>(members[k]), K<L>(0)));
  }
  indices = word;
}

// The first step for the lanes' blocks at `at`: the bracketing fit of the source's own mapping,
// or one colour where that comes closer. Writes the shaded halves and their errors; returns the
// lanes whose error is above the search bound.
template <class L>
uint32_t FitLanes(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int at) {
  using V = typename L::V;
  V members[4];
  const TModel<L> model = Model<L>(channels, batch, at, members);
  const V identityWeights[4] = {K<L>(3), K<L>(0), K<L>(2), K<L>(1)};
  const TNormal<L> identity = Normal<L>(model, identityWeights);
  TFit<L> fit;
  fit.Start = fit.End = fit.Error = K<L>(0);
  for (int k = 0; k < 4; ++k) fit.Map[k] = K<L>(k);
  IdentityChannel<L, 0>(model, identity, fit);
  IdentityChannel<L, 1>(model, identity, fit);
  IdentityChannel<L, 2>(model, identity, fit);
  fit.Error = L::Select(identity.Fits, fit.Error, K<L>(INT32_MAX));
  TFit<L> one;
  one.Start = one.End = one.Error = K<L>(0);
  const V twiceTotal = L::Max(L::Add(model.Total, model.Total), K<L>(1));
  OneColorChannel<L, 0>(model, twiceTotal, one);
  OneColorChannel<L, 1>(model, twiceTotal, one);
  OneColorChannel<L, 2>(model, twiceTotal, one);
  const auto useOne = L::Less(one.Error, fit.Error);
  fit.Start = L::Select(useOne, one.Start, fit.Start);
  fit.End = L::Select(useOne, one.End, fit.End);
  fit.Error = L::Select(useOne, one.Error, fit.Error);
  for (int k = 0; k < 4; ++k) fit.Map[k] = L::Select(useOne, K<L>(2), fit.Map[k]);
  V color0, color1, indices;
  Assemble<L>(fit, dxt1, members, color0, color1, indices);
  L::Store(batch.Shaded0 + at, color0);
  L::Store(batch.Shaded1 + at, color1);
  L::Store(batch.ShadedIndices + at, indices);
  L::Store(batch.Error + at, fit.Error);
  return L::Bits(L::Less(L::Mul(K<L>(kShadeSearchBound), model.Total), fit.Error));
}

// The search for the lanes' blocks at `at`: the mapping with the least rounded error gets its
// bracketing fit, which replaces the shaded half where it comes closer than its error.
template <class L>
void SearchLanes(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int at) {
  using V = typename L::V;
  V members[4];
  const TModel<L> model = Model<L>(channels, batch, at, members);
  V bestError = K<L>(INT32_MAX), bestMapping = K<L>(0);
  for (int m = 0; m < kShadeMappings; ++m) {
    V w[4];
    for (int k = 0; k < 4; ++k) w[k] = K<L>(kMappingTables.Weight[k][m]);
    const TNormal<L> n = Normal<L>(model, w);
    V error = L::Add(
        L::Add(RoundedChannelError<L, 0>(model, n, w), RoundedChannelError<L, 1>(model, n, w)),
        RoundedChannelError<L, 2>(model, n, w));
    error = L::Select(n.Fits, error, K<L>(INT32_MAX));
    const auto better = L::Less(error, bestError);
    bestError = L::Select(better, error, bestError);
    bestMapping = L::Select(better, K<L>(m), bestMapping);
  }
  V w[4], e[4];
  for (int k = 0; k < 4; ++k) {
    w[k] = L::Lookup(kMappingTables.Weight[k], bestMapping);
    e[k] = L::Lookup(kMappingTables.Entry[k], bestMapping);
  }
  const TFit<L> found = BracketFit<L>(model, w, e);
  const auto take = L::MaskAnd(L::Less(bestError, K<L>(INT32_MAX)),
                               L::Less(found.Error, L::Load(batch.Error + at)));
  V color0, color1, indices;
  Assemble<L>(found, dxt1, members, color0, color1, indices);
  L::Store(batch.Shaded0 + at, L::Select(take, color0, L::Load(batch.Shaded0 + at)));
  L::Store(batch.Shaded1 + at, L::Select(take, color1, L::Load(batch.Shaded1 + at)));
  L::Store(batch.ShadedIndices + at, L::Select(take, indices, L::Load(batch.ShadedIndices + at)));
  L::Store(batch.Error + at, L::Select(take, found.Error, L::Load(batch.Error + at)));
}

}  // namespace
}  // namespace pallograph::shade
