// The run with options: preparation, the stages in their fixed order, the end of the run.
#pragma once

namespace pallograph {

struct TRun;

// Returns the exit code; start-up failures end it early by throwing THaltRun.
int RunWithOptions(TRun& run);

}  // namespace pallograph
