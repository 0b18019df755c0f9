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
// Whether the program's path form can carry the native path there and back. False on POSIX for
// a path that holds '\': a character of file names there, which the program's form would take
// for a separator. Always true on Windows.
bool ProgramPathCanHold(std::string_view native);

}  // namespace pallograph

namespace pallograph {

// A path the user typed (native form, possibly relative to the current folder) as an absolute
// program path. Empty text stays empty.
std::string AbsoluteProgramPath(std::string_view native);

}  // namespace pallograph
