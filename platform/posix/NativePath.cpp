#include "platform/NativePath.h"

#include "platform/PathText.h"

namespace pallograph {

std::string ToNativePath(std::string_view path) { return BackslashesToSlashes(path); }
std::string FromNativePath(std::string_view path) { return SlashesToBackslashes(path); }

}  // namespace pallograph
