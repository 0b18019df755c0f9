#include "platform/ArchiveLibraryLocation.h"

#include "platform/NativePath.h"

namespace pallograph {

std::string ArchiveLibraryFileName() { return "7z.so"; }

std::vector<std::string> SystemArchiveLibraryCandidates() {
  // Debian's and most distributions' p7zip packages; /usr/local for hand-built copies.
  const char* const kPlaces[] = {
      "/usr/lib/p7zip/7z.so",
      "/usr/lib/x86_64-linux-gnu/p7zip/7z.so",
      "/usr/lib/aarch64-linux-gnu/p7zip/7z.so",
      "/usr/lib64/p7zip/7z.so",
      "/usr/libexec/p7zip/7z.so",
      "/usr/local/lib/p7zip/7z.so",
  };
  std::vector<std::string> result;
  for (const char* place : kPlaces) result.push_back(FromNativePath(place));
  return result;
}

bool ExtractEmbeddedArchiveLibrary(const std::string&) { return false; }

}  // namespace pallograph
