// TDDSRepaint (MEM-mod, CTM-mod): repaints, in one package, every DDS texture that a map config
// lists, in one opaque colour, and writes it under the output folder with its package path.
#pragma once

#include <string>

#include "configs/CfgFile.h"
#include "mods/PkgScan.h"

namespace pallograph {

class TDDSRepaint final : public TPkgScan {
 public:
  using TPkgScan::TPkgScan;

  // Appends root name + name (lower-cased) for every listed name of every root, each followed by
  // its "_hd.dds" twin unless the name already is an HD name. color: "#RRGGBB".
  void AddFiles(const ARFiles& roots, const std::string& color);
  // The colour for a package entry, "" when it is not wanted: only ".dds" entries (any case) are
  // wanted, whatever the list's patterns cover; then the first list entry of the same
  // HD kind that contains the lower-cased entry name, or, for a name with wildcards, that the
  // whole entry name matches. HD entries are never wanted without includeHD.
  std::string FindColor(const std::string& entryName, bool includeHD) const;
  // The package walk. A texture that cannot be repainted ends it with the exception record; a
  // write failure is recorded and the walk goes on. Does nothing when the list is empty.
  void Repaint(bool includeHD);
};

}  // namespace pallograph
