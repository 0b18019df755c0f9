// The six mod stages, one row each: everything a stage needs to run is in its row, and one
// routine runs a stage from it (run/Stages.cpp).
#pragma once

#include <array>
#include <string>

#include "run/ExitCodes.h"
#include "run/RunSettings.h"

namespace pallograph {

enum class TStageKind { CrashTanks, CrashTracks, MapTanks, MapTrains, SpaceBin, Camouflage };

// How a stage walks the client's packages.
enum class TStageRunner {
  CrashWorkers,  // one worker thread per config root, at most the worker limit at once
  PackageJobs,   // one package job after the other on the main thread
};

struct TStageRow {
  TStageKind Kind;
  const char* Option;  // the option that turns the stage on and carries its value
  bool TRunSettings::*On;
  std::string TRunSettings::*Color;  // the stage's colour; nullptr when it has none
  TStageRunner Runner;
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

inline const std::array<TStageRow, 6> kStages = {{
    {TStageKind::CrashTanks, "DPT-mod", &TRunSettings::DPTOn, &TRunSettings::DPTColor,
     TStageRunner::CrashWorkers, "  > Creating monochromatic textures for crashed tanks",
     "Creating DPT-mod...", "CrashTanks.cfg", 1, "DPT-wotmod-name", "DPT-wotmod-meta",
     "Not found visual-files!", kExitCrashTanksCfg, kExitDPTJobError, kExitDPTEmpty,
     kExitDPTPackFailed, false},
    {TStageKind::CrashTracks, "CCT-mod", &TRunSettings::CCTOn, &TRunSettings::CCTColor,
     TStageRunner::CrashWorkers, "  > Creating monochromatic textures for crashed tracks",
     "Creating CCT-mod...", "CrashTanks.cfg", 2, "CCT-wotmod-name", "CCT-wotmod-meta",
     "Not found visual-files!", kExitCrashTanksCfg, kExitCCTJobError, kExitCCTEmpty,
     kExitCCTPackFailed, false},
    {TStageKind::MapTanks, "MEM-mod", &TRunSettings::MEMOn, &TRunSettings::MEMColor,
     TStageRunner::PackageJobs, "  > Creating monochromatic textures for tanks on the maps",
     "Creating MEM-mod...", "MapTanks.cfg", 3, "MEM-wotmod-name", "MEM-wotmod-meta",
     "Not found dds-files!", kExitMapTanksCfg, kExitMEMJobError, kExitMEMEmpty, kExitMEMPackFailed,
     false},
    {TStageKind::MapTrains, "CTM-mod", &TRunSettings::CTMOn, &TRunSettings::CTMColor,
     TStageRunner::PackageJobs,
     "  > Creating monochromatic textures for carriages and trains on the maps",
     "Creating CTM-mod...", "MapTrains.cfg", 4, "CTM-wotmod-name", "CTM-wotmod-meta",
     "Not found dds-files!", kExitMapTrainsCfg, kExitCTMJobError, kExitCTMEmpty, kExitCTMPackFailed,
     false},
    {TStageKind::SpaceBin, "SpaceBin-mod", &TRunSettings::SpaceBinOn, nullptr,
     TStageRunner::PackageJobs, "  > Creating a patched space.bin files for the maps",
     "Creating SpaceBin-mod...", "", 5, "SpaceBin-wotmod-name", "SpaceBin-wotmod-meta",
     "Not found space.bin files!", 0, kExitSpaceBinJobError, kExitSpaceBinEmpty,
     kExitSpaceBinPackFailed, true},
    {TStageKind::Camouflage, "CAMO-mod", &TRunSettings::CAMOOn, nullptr, TStageRunner::PackageJobs,
     "  > Creating translucent camouflages for tanks", "Creating Camo-mod...", "Camouflage.cfg", 6,
     "CAMO-wotmod-name", "CAMO-wotmod-meta", "Not found dds-files!", kExitCamouflageCfg,
     kExitCAMOJobError, kExitCAMOEmpty, kExitCAMOPackFailed, false},
}};

}  // namespace pallograph
