#include "mods/VisualScan.h"

#include "mods/JobErrors.h"
#include "mods/PackageReader.h"
#include "platform/LastError.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"
#include "platform/Stream.h"

namespace pallograph {

ThVisualScan::ThVisualScan(const RFiles& root, LogSink onLog, const std::string& outPath,
                           const std::string& clientPath, const std::string& libraryPath,
                           TMainThreadQueue& mainQueue)
    : ThPkgScan(std::move(onLog), outPath, clientPath, libraryPath, mainQueue),
      rootName_(root.Name),
      count_(root.Count) {
  const size_t count = count_ > 0 ? std::min<size_t>(count_, root.Files.size()) : 0;
  folders_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::string folder = LowerCaseAscii(root.Files[i]);
    // A fragment with wildcards may match anywhere in the path, as a plain one may occur.
    if (HasWildcards(folder)) folder = "*" + folder + "*";
    folders_.push_back(std::move(folder));
  }
}

ThVisualScan::~ThVisualScan() {
  Join();
  fileData_.clear();
  folders_.clear();
}

uint8_t ThVisualScan::GetPartKind(std::string_view name) {
  const std::string file = LowerCaseAscii(ExtractFileName(name));
  if (ExtractFileExt(file).find(".visual") == std::string::npos) return kPartNone;
  if (file.find("chassis") != std::string::npos) return kPartChassis;
  if (file.find("hull") != std::string::npos) return kPartHull;
  if (file.find("gun") != std::string::npos) return kPartGun;
  if (file.find("turret") != std::string::npos) return kPartTurret;
  return kPartNone;
}

uint8_t ThVisualScan::GetFolderKind(std::string_view name) {
  const std::string folder = LowerCaseAscii(ExtractFilePath(name));
  if (folder.find("\\normal") != std::string::npos) return kFolderNormal;
  if (folder.find("\\crash") != std::string::npos) return kFolderCrash;
  if (folder.find("\\collision") != std::string::npos) return kFolderCollision;
  if (folder.find("\\track") != std::string::npos) return kFolderTrack;
  return kFolderOther;
}

bool ThVisualScan::InFolders(std::string_view name) const {
  if (count_ < 1) return true;
  const std::string lower = LowerCaseAscii(name);
  for (const std::string& folder : folders_) {
    const bool found = HasWildcards(folder) ? MatchesPattern(folder, lower)
                                            : lower.find(folder) != std::string::npos;
    if (found) return true;
  }
  return false;
}

void ThVisualScan::SaveFile() {
  ClearLastFileError();
  if (!BytesToFile(fileData_, outFile_)) {
    errorText_ = WriteFailureRecord(rootName_, outFile_, LastFileError());
  }
}

void ThVisualScan::Execute() {
  const std::string package = clientPath_ + rootName_;
  std::string entryError;  // the first entry refused for its size; the walk goes on
  try {
    TPackageReader reader(libraryPath_, package);
    if (LogEnabled()) AddLog("Open \t" + package);
    const uint32_t count = reader.Count();
    for (uint32_t index = 0; index < count; ++index) {
      if (reader.IsFolder(index)) continue;
      fileName_ = reader.Path(index);
      partKind_ = GetPartKind(fileName_);
      if (partKind_ == kPartNone) continue;
      folderKind_ = GetFolderKind(fileName_);
      if (!Wanted() || !InFolders(fileName_)) continue;
      if (!IsSafeRelativePath(fileName_)) {
        if (LogEnabled()) AddLog("Skip \t" + fileName_ + " (unsafe entry name)");
        continue;
      }
      if (dryRun_) {
        if (LogEnabled()) AddLog("Choose \t" + fileName_);
        ++filesCount_;
        continue;
      }
      if (LogEnabled()) AddLog("Read \t" + fileName_);
      try {
        TMemoryStream stream;
        reader.Extract(index, stream, TEntryKind::Model);
        fileData_ = std::move(stream.Data());
      } catch (const EEntryTooLarge& error) {
        if (LogEnabled()) AddLog("Refused \t" + fileName_ + ": " + error.what());
        if (entryError.empty()) entryError = ExceptionRecord(rootName_, fileName_, error);
        continue;
      }
      if (!fileData_.empty() && Patch()) {
        outFile_ = outPath_ + fileName_;
        if (LogEnabled()) AddLog("Write \t" + outFile_);
        Synchronize([this] { SaveFile(); });
        ++filesCount_;
      }
      fileData_.clear();
      if (!errorText_.empty()) break;
    }
  } catch (const std::exception& error) {
    errorText_ = ExceptionRecord(rootName_, fileName_, error);
  } catch (...) {
    errorText_ = UnknownExceptionRecord(rootName_);
  }
  if (errorText_.empty()) errorText_ = std::move(entryError);
}

}  // namespace pallograph
