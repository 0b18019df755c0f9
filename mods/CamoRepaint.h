// TCamoRepaint (CAMO-mod): shades every camouflage texture of one package by a percentage
// (translucent camouflages) and writes it under the output folder with its package path.
#pragma once

#include <cstdint>
#include <string>

#include "configs/CfgFile.h"
#include "mods/PkgScan.h"

namespace pallograph {

// True for a metallic/gloss map ("..._gmm.dds" or its HD twin "..._gmm_hd.dds"), lower-cased.
bool IsGlossMapName(const std::string& lowerName);

class TCamoRepaint final : public TPkgScan {
 public:
  using TPkgScan::TPkgScan;

  // The root's names, lower-cased; an empty list accepts every camouflage texture.
  void SetFilter(const AFList& names);
  // Whether a camouflage entry (lower-cased name) is accepted: HD names only with includeHD,
  // then everything with an empty filter, else names that occur inside a filter item or match
  // a filter item with wildcards.
  bool AcceptCamo(const std::string& lowerName, bool includeHD) const;
  // Whether a package entry is a camouflage texture this job shades: extension ".dds", under
  // "vehicles\", a "\camouflage\" folder, not a metallic/gloss map beside a camouflage
  // ("<name>_GMM.dds", which holds no colour), and AcceptCamo.
  bool Wanted(const std::string& entryName, bool includeHD) const;
  // The package walk; percent 0..100 scales red, green and blue, alpha is kept. A texture that
  // cannot be shaded ends it with the exception record; a write failure is recorded and the walk
  // goes on.
  void Repaint(int32_t percent, bool includeHD);

  const AFList& Filter() const { return filter_; }

 private:
  AFList filter_;
};

}  // namespace pallograph
