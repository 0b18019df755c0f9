#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include "platform/NativePath.h"

namespace pallograph {

TDynamicLibrary::~TDynamicLibrary() { Unload(); }

bool TDynamicLibrary::Load(const std::string& path) {
  Unload();
  handle_ = dlopen(ToNativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle_ != nullptr;
}

void TDynamicLibrary::Unload() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

}  // namespace pallograph
