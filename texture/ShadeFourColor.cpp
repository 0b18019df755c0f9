#include "texture/ShadeFourColor.h"

#include "texture/FitLevel.h"
#include "texture/ShadeKernel.h"

namespace pallograph {

uint32_t FitFourColorScalar(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                            int count) {
  uint32_t search = 0;
  for (int i = 0; i < count; ++i) {
    search |= shade::FitLanes<lanes::TIntScalar>(channels, dxt1, batch, i) << i;
  }
  return search;
}

void SearchFourColorScalar(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch,
                           int count) {
  for (int i = 0; i < count; ++i) shade::SearchLanes<lanes::TIntScalar>(channels, dxt1, batch, i);
}

uint32_t FitFourColor(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count) {
  if (FitLevel() == TFitLevel::Avx2) return FitFourColorAvx2(channels, dxt1, batch, count);
  return FitFourColorScalar(channels, dxt1, batch, count);
}

void SearchFourColor(const TShadeChannels& channels, bool dxt1, TShadeBatch& batch, int count) {
  if (FitLevel() == TFitLevel::Avx2) {
    SearchFourColorAvx2(channels, dxt1, batch, count);
  } else {
    SearchFourColorScalar(channels, dxt1, batch, count);
  }
}

}  // namespace pallograph
