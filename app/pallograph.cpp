// The program's entry: creates the run and returns its exit code.
#include "run/Pallograph.h"

int main(int argc, char** argv) { return pallograph::RunPallograph(argc, argv); }
