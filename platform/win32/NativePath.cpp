#include "platform/NativePath.h"

#include "platform/PathText.h"
#include "platform/win32/WideApi.h"

namespace pallograph {

std::string ToNativePath(std::string_view path) { return SlashesToBackslashes(path); }
std::string FromNativePath(std::string_view path) { return SlashesToBackslashes(path); }

std::string AbsoluteProgramPath(std::string_view native) {
  if (native.empty()) return {};
  return FromWidePath(FullWidePath(ToWide(ToNativePath(native))));
}

bool ProgramPathCanHold(std::string_view) { return true; }

}  // namespace pallograph
