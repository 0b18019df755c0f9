// ThVisualCrashTracks (CCT-mod): points every diffuse texture of the crash-state chassis models
// of one package at the one-colour texture "vehicles/track_crash.dds".
#pragma once

#include "mods/VisualScan.h"

namespace pallograph {

inline constexpr const char* kTrackCrashTexture = "vehicles\\track_crash.dds";

class ThVisualCrashTracks final : public ThVisualScan {
 public:
  using ThVisualScan::ThVisualScan;
  ~ThVisualCrashTracks() override { Join(); }

 protected:
  bool Wanted() const override;
  bool Patch() override;
};

}  // namespace pallograph
