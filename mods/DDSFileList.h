// The wanted textures of a map or space.bin job: a name with its colour and HD flag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pallograph {

struct RDDSFile {
  std::string Name;   // form depends on the job (lower-case with '\' or as configured with '/')
  std::string Color;  // "#RRGGBB"
  bool HD = false;    // Name holds "_hd.dds" after its first character
};

using ADDSFileList = std::vector<RDDSFile>;

// True when `name` holds "_hd.dds" at a position after its first character. Case-sensitive: the
// callers pass lower-cased names.
inline bool IsHDTextureName(std::string_view name) {
  return name.size() > 1 && name.find("_hd.dds", 1) != std::string_view::npos;
}

}  // namespace pallograph
