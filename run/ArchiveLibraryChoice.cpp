#include "run/ArchiveLibraryChoice.h"

#include "platform/ArchiveLibraryLocation.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "run/RunSettings.h"

namespace pallograph {

namespace {

bool Loadable(const std::string& path) {
  if (!FileExists(path)) return false;
  TDynamicLibrary library;
  return library.Load(path) && library.Symbol("CreateObject") != nullptr;
}

}  // namespace

void ChooseArchiveLibrary(TRun& run) {
  TRunSettings& s = run.Settings;
  const std::string override_path = GetEnvironmentText("PALLOGRAPH_ARCHIVE_LIBRARY");
  if (!override_path.empty()) {
    // An explicit choice is taken as it stands: a wrong one fails in the stages, not here.
    s.ArchiveLibraryFile = AbsoluteProgramPath(override_path);
  } else if (const std::string own = ProgramFolder() + ArchiveLibraryFileName(); FileExists(own)) {
    s.ArchiveLibraryFile = own;
  } else if (Loadable(run.Client.SevenZipFile)) {
    s.ArchiveLibraryFile = run.Client.SevenZipFile;
  } else if (const std::string extracted =
                 TempFolder() + NewGuidText() + kPathDelim + ArchiveLibraryFileName();
             ExtractEmbeddedArchiveLibrary(extracted)) {
    s.ArchiveLibraryFile = extracted;
    s.ArchiveLibraryExtracted = true;
    run.LogLine("Extract 7-zip dll: " + ToNativePath(extracted));
  } else {
    for (const std::string& candidate : SystemArchiveLibraryCandidates()) {
      if (FileExists(candidate)) {
        s.ArchiveLibraryFile = candidate;
        break;
      }
    }
  }
  if (s.ArchiveLibraryFile.empty()) {
    run.Console.ErrorLine("Pallograph: the 7-Zip library (" + ArchiveLibraryFileName() +
                          ") was not found: install it (Debian: p7zip-full) or put it next to "
                          "the program.");
    run.LogLine("7-zip library not found");
  } else {
    run.LogLine("7-zip library: " + ToNativePath(s.ArchiveLibraryFile));
  }
}

void RemoveExtractedArchiveLibrary(TRun& run) {
  TRunSettings& s = run.Settings;
  if (!s.ArchiveLibraryExtracted || !FileExists(s.ArchiveLibraryFile)) return;
  run.LogLine("Remove 7-zip dll: " + ToNativePath(s.ArchiveLibraryFile));
  DeleteFileAt(s.ArchiveLibraryFile);
  RemoveDirectoryAt(ExtractFilePath(s.ArchiveLibraryFile));
}

}  // namespace pallograph
