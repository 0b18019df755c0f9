// A shared library loaded at run time: RAII owner of the module handle. The module is released
// when the owner goes; everything created by the module must be released before that.
#pragma once

#include <string>

namespace pallograph {

class TDynamicLibrary {
 public:
  TDynamicLibrary() = default;
  ~TDynamicLibrary();
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

  // Loads the module at a program path; false on failure (the old module is released first).
  bool Load(const std::string& path);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  // Address of an exported symbol, nullptr when it is missing.
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace pallograph
