// Config text from an untrusted source (a download, a user's edit): the parser and the
// refresh's version rule must take any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "configs/CfgFile.h"
#include "configs/CfgLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const pallograph::RCfgFile cfg = pallograph::ParseCfgText(text, "Fuzz.cfg");
  for (const pallograph::RFiles& root : cfg.Roots)
    if (root.Count != static_cast<int32_t>(root.Files.size()) || root.Name.empty())
      __builtin_trap();
  (void)pallograph::FindCfgVersion(pallograph::SplitCfgLines(text));
  return 0;
}
