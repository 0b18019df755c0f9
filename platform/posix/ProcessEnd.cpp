#include "platform/ProcessEnd.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

// Defined by the leak checker of sanitizer builds only; its check would otherwise run as an exit
// handler, which _exit skips.
extern "C" __attribute__((weak)) void __lsan_do_leak_check();

namespace pallograph {

namespace {

constexpr int kProgramCodeBase = 16000;

int ExitStatus(int exitCode) {
  if (exitCode >= kProgramCodeBase && exitCode < kProgramCodeBase + 100) {
    return exitCode - kProgramCodeBase;
  }
  return exitCode;
}

}  // namespace

void EndProcess(int exitCode) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  if (__lsan_do_leak_check) __lsan_do_leak_check();
  _exit(ExitStatus(exitCode));
}

}  // namespace pallograph
