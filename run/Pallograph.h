// The run of the program: banner, options, interactive help or the run with options, exit code.
#pragma once

namespace pallograph {

// Runs the program once and returns the process exit code.
int RunPallograph(int argc, char** argv);

}  // namespace pallograph
