// ThVisualCrashTanks (DPT-mod): patches the crash-state hull, gun and turret models of one
// package so that they use the ordinary tank shader and point at the one-colour crash textures
// "vehicles/tank_crash.dds" (outer) and "vehicles/inside_crash.dds" (inside of hull and turret).
#pragma once

#include "mods/VisualScan.h"

namespace pallograph {

inline constexpr const char* kCrashShader = "shaders/std_effects/PBS_tank_crash.fx";
inline constexpr const char* kTankShader = "shaders/std_effects/PBS_tank.fx";
inline constexpr const char* kTankCrashTexture = "vehicles\\tank_crash.dds";
inline constexpr const char* kInsideCrashTexture = "vehicles\\inside_crash.dds";

class ThVisualCrashTanks final : public ThVisualScan {
 public:
  using ThVisualScan::ThVisualScan;
  ~ThVisualCrashTanks() override { Join(); }

  // Also point the "excludeMaskAndAOMap" values at the crash textures. Set before Start().
  bool RemoveShadows = false;

 protected:
  bool Wanted() const override;
  bool Patch() override;
};

}  // namespace pallograph
