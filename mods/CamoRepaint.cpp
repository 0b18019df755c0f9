#include "mods/CamoRepaint.h"

#include <algorithm>

#include "platform/NamePattern.h"
#include "platform/PathText.h"
#include "texture/DDSTexture.h"

namespace pallograph {

void TCamoRepaint::SetFilter(const AFList& names) {
  filter_.clear();
  for (const std::string& name : names) filter_.push_back(LowerCaseAscii(name));
}

bool TCamoRepaint::AcceptCamo(const std::string& lowerName, bool includeHD) const {
  if (!includeHD && IsHDTextureName(lowerName)) return false;
  if (filter_.empty()) return true;
  return std::any_of(filter_.begin(), filter_.end(),
                     [&](const std::string& item) { return ItemNames(item, lowerName); });
}

bool IsGlossMapName(const std::string& lowerName) {
  return EndsWith(lowerName, "_gmm.dds") || EndsWith(lowerName, "_gmm_hd.dds");
}

bool TCamoRepaint::Wanted(const std::string& entryName, bool includeHD) const {
  const std::string lower = LowerCaseAscii(entryName);
  return ExtractFileExt(lower) == ".dds" && StartsWith(lower, "vehicles\\") &&
         lower.find("\\camouflage\\", 1) != std::string::npos && !IsGlossMapName(lower) &&
         AcceptCamo(lower, includeHD);
}

void TCamoRepaint::Repaint(int32_t percent, bool includeHD) {
  RepaintTextures([&](const std::string& name) -> TTextureChange {
    if (!Wanted(name, includeHD)) return {};
    return [percent](std::vector<uint8_t>& texture, TWorkerPool* workers) {
      return ShadeDDS(texture, percent, workers);
    };
  });
}

}  // namespace pallograph
