// The program's entry: creates the run and ends the process with its exit code.
#include "run/Pallograph.h"
#include "platform/ProcessEnd.h"

int main(int argc, char** argv) { pallograph::EndProcess(pallograph::RunPallograph(argc, argv)); }
