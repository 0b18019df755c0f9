// The constants of the six mod stages, one row each. One routine runs a stage from its row.
#pragma once

#include <array>

namespace pallograph {

enum class TStageKind { CrashTanks, CrashTracks, MapTanks, MapTrains, SpaceBin, Camouflage };

struct TStageRow {
  TStageKind Kind;
  const char* Heading;
  const char* LogStart;
  const char* ConfigFile;  // "" for none
  int MetaKind;
  const char* NameOption;
  const char* MetaOption;
  const char* EmptyMessage;
  int NoConfigCode;  // 0 for none
  int JobErrorCode;
  int EmptyCode;
  int PackFailedCode;
  bool SplitAndLog;  // packing honours split-2gb-parts and logs its progress
};

inline constexpr std::array<TStageRow, 6> kStages = {{
    {TStageKind::CrashTanks, "  > Creating monochromatic textures for crashed tanks",
     "Creating DPT-mod...", "CrashTanks.cfg", 1, "DPT-wotmod-name", "DPT-wotmod-meta",
     "Not found visual-files!", 16005, 16011, 16012, 16013, false},
    {TStageKind::CrashTracks, "  > Creating monochromatic textures for crashed tracks",
     "Creating CCT-mod...", "CrashTanks.cfg", 2, "CCT-wotmod-name", "CCT-wotmod-meta",
     "Not found visual-files!", 16005, 16021, 16022, 16023, false},
    {TStageKind::MapTanks, "  > Creating monochromatic textures for tanks on the maps",
     "Creating MEM-mod...", "MapTanks.cfg", 3, "MEM-wotmod-name", "MEM-wotmod-meta",
     "Not found dds-files!", 16006, 16031, 16032, 16033, false},
    {TStageKind::MapTrains,
     "  > Creating monochromatic textures for carriages and trains on the maps",
     "Creating CTM-mod...", "MapTrains.cfg", 4, "CTM-wotmod-name", "CTM-wotmod-meta",
     "Not found dds-files!", 16007, 16041, 16042, 16043, false},
    {TStageKind::SpaceBin, "  > Creating a patched space.bin files for the maps",
     "Creating SpaceBin-mod...", "", 5, "SpaceBin-wotmod-name", "SpaceBin-wotmod-meta",
     "Not found space.bin files!", 0, 16051, 16052, 16053, true},
    {TStageKind::Camouflage, "  > Creating translucent camouflages for tanks",
     "Creating Camo-mod...", "Camouflage.cfg", 6, "CAMO-wotmod-name", "CAMO-wotmod-meta",
     "Not found dds-files!", 16008, 16061, 16062, 16063, false},
}};

}  // namespace pallograph
