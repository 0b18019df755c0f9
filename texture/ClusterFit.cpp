#include "texture/ClusterFit.h"

#include <cfloat>

#include "texture/ClusterKernel.h"

namespace pallograph {

TClusterCut BestCutScalar(const TClusterInput& input, bool threeColor) {
  return threeColor ? cluster::BestCut3<cluster::TScalar>(input)
                    : cluster::BestCut4<cluster::TScalar>(input);
}

TClusterCut BestCutVector(const TClusterInput& input, bool threeColor) {
  if (HasWideVectors()) return BestCutWide(input, threeColor);
  return threeColor ? cluster::BestCut3<cluster::TVector4>(input)
                    : cluster::BestCut4<cluster::TVector4>(input);
}

void CutEndpoints(const TClusterInput& input, bool threeColor, const TClusterCut& cut,
                  int starts[3], int ends[3]) {
  cluster::Endpoints(input, threeColor, cut, starts, ends);
}

}  // namespace pallograph
