#include "platform/DynamicLibrary.h"

#include <windows.h>

#include "platform/win32/WideApi.h"

namespace pallograph {

TDynamicLibrary::~TDynamicLibrary() { Unload(); }

bool TDynamicLibrary::Load(const std::string& path) {
  Unload();
  handle_ = LoadLibraryW(ToWidePath(path).c_str());
  return handle_ != nullptr;
}

void TDynamicLibrary::Unload() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace pallograph
