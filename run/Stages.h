// The mod stages in their fixed order (DPT, CCT, MEM, CTM, SpaceBin, CAMO), each only when its
// option is given, then the all-in-one package. Stage failures never end the run: each is
// recorded in the run's exit code (first failure wins).
#pragma once

namespace pallograph {

struct TRun;

void RunStages(TRun& run);

}  // namespace pallograph
