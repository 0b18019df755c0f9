// TSpaceBinPatch (SpaceBin-mod): repaints, in one map package, the textures embedded in its
// space.bin that the map configs list, in place, and writes the patched space.bin under the
// output folder. The file keeps its length; a space.bin in which nothing changed is not left in
// the output.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "configs/CfgFile.h"
#include "mods/BinaryOps.h"
#include "mods/PkgScan.h"
#include "mods/SpaceBinTextures.h"

namespace pallograph {

class TSpaceBinPatch final : public TPkgScan {
 public:
  using TPkgScan::TPkgScan;

  // Appends root name + name ('\' turned into '/', case kept) for every listed name of every
  // root, skipping names that contain "_hd.dds". Lists of several calls accumulate.
  void AddFiles(const ARFiles& roots, const std::string& color);
  // The colour of the first list entry whose name equals `textureName` ignoring ASCII case; the
  // entry is removed from the list. A listed name with wildcards matches every texture name it
  // fits (ignoring ASCII case), each at most once, and stays listed. "" when there is none.
  std::string TakeColor(const std::string& textureName);
  // The package walk: the first entry whose path contains "space.bin" is patched (in a dry run
  // only read). Does nothing when the list is empty. Failures become the error record.
  void Patch();
  // Repaints the listed textures embedded in a whole space.bin in place (each name is used for
  // one record); true when a texture was replaced. A repainted texture that would not fit in its
  // record, or a repaint that fails, leaves the record as it was. Throws ERangeError on a
  // malformed file (see WalkSpaceBinTextures).
  bool PatchData(TBytesArray& data);

 private:
  // A repainted texture to be written over the start of its record's blob.
  struct RReplacement {
    size_t Offset = 0;
    std::vector<uint8_t> Bytes;
  };
  // The repaints PatchData makes, read from `bytes` and not yet written; they fit their blobs.
  std::vector<RReplacement> RepaintTextures(TSpaceBinBytes& bytes);
  void PatchEntry(TPackageReader& reader, uint32_t index, const std::string& name);
  // Dry run: reads the space.bin into memory and logs each listed texture it holds; counts the
  // file when there is one. Writes nothing.
  void ChooseTextures(TPackageReader& reader, uint32_t index, const std::string& name);
  // Deletes a target that is not to be kept, with the folders that this leaves empty.
  void DeleteTarget(const std::string& target) const;

  // Beside each list entry: the lower-cased texture names a wildcard entry has taken.
  std::vector<std::set<std::string>> patternTaken_;
};

}  // namespace pallograph
