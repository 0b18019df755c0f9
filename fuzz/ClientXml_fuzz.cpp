// The client's version.xml and paths.xml are read as they are found on disk: any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "client/PathsXml.h"
#include "client/VersionXml.h"
#include "client/WOTInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RWOTInfo info;
  ParseVersionXml(text, info);
  if (!info.VersionRaw.empty() && text.find(info.VersionRaw) == std::string_view::npos) {
    __builtin_trap();
  }
  for (const char c : info.Build) {
    if (c < '0' || c > '9') __builtin_trap();
  }
  const std::string resMods = PathsXmlFolder(text, kResModsMarker);
  const std::string mods = PathsXmlFolder(text, kModsMarker);
  if (resMods.size() > size || mods.size() > size) __builtin_trap();
  const size_t cut = size / 2;
  (void)PathsXmlListsPackage(text, text.substr(cut, size - cut > 32 ? 32 : size - cut));
  return 0;
}
