#include "mods/DDSRepaint.h"

#include "mods/RepaintCache.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"

namespace pallograph {

void TDDSRepaint::AddFiles(const ARFiles& roots, const std::string& color) {
  for (const RFiles& root : roots) {
    const std::string rootName = LowerCaseAscii(root.Name);
    const size_t count = root.Count > 0 ? std::min<size_t>(root.Count, root.Files.size()) : 0;
    for (size_t i = 0; i < count; ++i) {
      RDDSFile file{rootName + LowerCaseAscii(root.Files[i]), color, false};
      file.HD = IsHDTextureName(file.Name);
      const bool addTwin = !file.HD;
      std::string twin = addTwin ? ChangeFileExt(file.Name, "_hd.dds") : std::string();
      files_.push_back(std::move(file));
      if (addTwin) files_.push_back(RDDSFile{std::move(twin), color, true});
    }
  }
}

std::string TDDSRepaint::FindColor(const std::string& entryName, bool includeHD) const {
  if (files_.empty()) return {};
  const std::string lower = LowerCaseAscii(entryName);
  // A wildcard may cover a whole folder: models, space.bin and terrain beside the textures are
  // never the map stages' to change.
  if (ExtractFileExt(lower) != ".dds") return {};
  const bool isHD = IsHDTextureName(lower);
  if (isHD && !includeHD) return {};
  for (const RDDSFile& file : files_) {
    if (file.HD != isHD) continue;
    if (ItemNames(file.Name, lower)) return file.Color;
  }
  return {};
}

void TDDSRepaint::Repaint(bool includeHD) {
  if (files_.empty()) return;
  RepaintTextures([&](const std::string& name) -> TTextureChange {
    const std::string color = FindColor(name, includeHD);
    if (color.empty()) return {};
    return [opaque = color + "FF"](std::vector<uint8_t>& texture, TWorkerPool* workers) {
      return SharedRepaintCache().Repaint(texture, opaque, workers);
    };
  });
}

}  // namespace pallograph
