#include "platform/NativePath.h"

#include <filesystem>
#include <system_error>

#include "platform/PathText.h"

namespace pallograph {

std::string ToNativePath(std::string_view path) { return BackslashesToSlashes(path); }
std::string FromNativePath(std::string_view path) { return SlashesToBackslashes(path); }

std::string AbsoluteProgramPath(std::string_view native) {
  if (native.empty()) return {};
  std::error_code ec;
  const std::filesystem::path absolute =
      std::filesystem::absolute(std::filesystem::path(ToNativePath(native)), ec);
  if (ec) return FromNativePath(native);
  return FromNativePath(absolute.lexically_normal().string());
}

bool ProgramPathCanHold(std::string_view native) {
  return native.find('\\') == std::string_view::npos;
}

}  // namespace pallograph
