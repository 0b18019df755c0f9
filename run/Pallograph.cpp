#include "run/Pallograph.h"

#include <cstdio>

namespace pallograph {

int RunPallograph(int, char**) {
  std::puts("Pallograph 2 for WorldOfTanks");
  return 0;
}

}  // namespace pallograph
