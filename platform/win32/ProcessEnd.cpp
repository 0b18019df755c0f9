#include "platform/ProcessEnd.h"

#include <windows.h>

#include <cstdio>
#include <iostream>

namespace pallograph {

void EndProcess(int exitCode) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  // Ends the other threads before any library is told that the process detaches.
  ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace pallograph
