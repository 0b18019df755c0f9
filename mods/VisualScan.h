// ThVisualScan: the thread job base of the crash mods. One job walks one client package (a config
// root) and patches the crash-state model files (.visual, .visual_processed) whose paths contain
// one of the root's folder fragments. The subclasses decide which parts they patch and how.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "configs/CfgFile.h"
#include "mods/BinaryOps.h"
#include "mods/PkgScanThread.h"

namespace pallograph {

class ThVisualScan : public ThPkgScan {
 public:
  enum : uint8_t { kPartNone = 0, kPartChassis = 1, kPartHull = 2, kPartGun = 3, kPartTurret = 4 };
  enum : uint8_t {
    kFolderOther = 0,
    kFolderNormal = 1,
    kFolderCrash = 2,
    kFolderCollision = 3,
    kFolderTrack = 4
  };

  // root: a CrashTanks.cfg root (package path relative to clientPath, and folder fragments).
  ThVisualScan(const RFiles& root, LogSink onLog, const std::string& outPath,
               const std::string& clientPath, const std::string& libraryPath,
               TMainThreadQueue& mainQueue);
  ~ThVisualScan() override;

  // Kind of model part by the file name: 0 unless the extension begins with ".visual"; then
  // 1 chassis, 2 hull, 3 gun, 4 turret, 0 other (first match in that order).
  static uint8_t GetPartKind(std::string_view name);
  // Kind of folder by the folder part of `name`: 1 "\normal", 2 "\crash", 3 "\collision",
  // 4 "\track", 0 other (first match in that order).
  static uint8_t GetFolderKind(std::string_view name);
  // True when the root lists no fragments, or the lower-cased name contains one of them (a
  // fragment with wildcards: a part of the name matches it).
  bool InFolders(std::string_view name) const;

  const std::string& RootName() const { return rootName_; }
  // A dry run chooses the models as a real walk would and logs each ("Choose"), but reads and
  // writes none: FilesCount() is then the number of models chosen. Set before Start().
  void SetDryRun(bool dryRun) { dryRun_ = dryRun; }

 protected:
  // Walks the package and hands each wanted entry's bytes (in fileData_) to Patch(); writes the
  // entries Patch() changed through SaveFile() on the main thread.
  void Execute() override;
  // Whether the entry (partKind_ and folderKind_ are set) is one this job patches.
  virtual bool Wanted() const = 0;
  // Patches fileData_ in place; true when something changed. May throw ERangeError.
  virtual bool Patch() = 0;
  // Main thread: writes fileData_ to outFile_; on failure records the write-failure form.
  void SaveFile();

  std::string rootName_;
  AFList folders_;
  int32_t count_ = 0;
  TBytesArray fileData_;
  std::string fileName_ = "None";
  std::string outFile_;
  uint8_t partKind_ = kPartNone;
  uint8_t folderKind_ = kFolderOther;
  bool dryRun_ = false;
};

}  // namespace pallograph
