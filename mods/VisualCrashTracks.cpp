#include "mods/VisualCrashTracks.h"

#include "platform/PathText.h"

namespace pallograph {

bool ThVisualCrashTracks::Wanted() const {
  return partKind_ == kPartChassis && folderKind_ == kFolderCrash;
}

bool ThVisualCrashTracks::Patch() {
  static const std::string trackTexture = BackslashesToSlashes(kTrackCrashTexture);
  return ReplaceKeyValue(fileData_, DiffuseKeys, trackTexture, NoStrings, NoStrings, NoStrings,
                         NoStrings);
}

}  // namespace pallograph
