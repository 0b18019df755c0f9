#include "mods/VisualCrashTanks.h"

#include "platform/PathText.h"

namespace pallograph {

bool ThVisualCrashTanks::Wanted() const {
  return (partKind_ == kPartHull || partKind_ == kPartGun || partKind_ == kPartTurret) &&
         folderKind_ == kFolderCrash;
}

bool ThVisualCrashTanks::Patch() {
  static const std::string outerTexture = BackslashesToSlashes(kTankCrashTexture);
  static const std::string insideTexture = BackslashesToSlashes(kInsideCrashTexture);
  const TStrArray& keys = RemoveShadows ? DiffuseAOKeys : DiffuseKeys;

  bool changed = ReplaceText(fileData_, kCrashShader, kTankShader, true, true);
  changed |= ReplaceKeyValue(fileData_, keys, outerTexture, NoStrings, InsideMarks, NoStrings,
                             InsideMarks);
  if (partKind_ == kPartHull || partKind_ == kPartTurret) {
    changed |= ReplaceKeyValue(fileData_, keys, insideTexture, InsideMarks, NoStrings, NoStrings,
                               NoStrings);
  }
  return changed;
}

}  // namespace pallograph
