#include "texture/ClusterFit.h"

#include "texture/ClusterKernel.h"
#include "texture/FitLevel.h"

namespace pallograph {

TClusterFit FitClustersScalar(const TClusterInput& input, bool threeColor) {
  return cluster::Fit<cluster::TScalar>(input, threeColor);
}

TClusterFit FitClustersSse(const TClusterInput& input, bool threeColor) {
  return cluster::Fit<cluster::TVector4>(input, threeColor);
}

TClusterFit FitClusters(const TClusterInput& input, bool threeColor) {
  switch (FitLevel()) {
    case TFitLevel::Avx2:
    case TFitLevel::Avx:
      return FitClustersAvx(input, threeColor);
    case TFitLevel::Sse:
      return FitClustersSse(input, threeColor);
    case TFitLevel::Scalar:
      break;
  }
  return FitClustersScalar(input, threeColor);
}

}  // namespace pallograph
