// Conversion between the program's paths ('\'-separated, see PathText.h) and the operating
// system's. The only place where the separator changes: every file-system call goes through it.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// Program path -> the operating system's path ("\home\me\wot\" -> "/home/me/wot/" on POSIX).
std::string ToNativePath(std::string_view path);
// Operating system's path -> program path ("/home/me/wot" -> "\home\me\wot" on POSIX).
std::string FromNativePath(std::string_view path);

}  // namespace pallograph
