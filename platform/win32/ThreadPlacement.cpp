#include "platform/ThreadPlacement.h"

#include <pthread.h>
#include <windows.h>

namespace pallograph {

void PreferProcessor(std::thread& thread, unsigned processor) noexcept {
  if (!thread.joinable() || processor >= MAXIMUM_PROCESSORS) return;
  // The run-time's threads are winpthreads threads: their system handle comes from there.
  const HANDLE handle = pthread_gethandle(thread.native_handle());
  if (handle) SetThreadIdealProcessor(handle, static_cast<DWORD>(processor));
}

}  // namespace pallograph
