#include "platform/ArchiveLibraryLocation.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/Registry.h"

namespace pallograph {

std::string ArchiveLibraryFileName() { return "7z.dll"; }

std::vector<std::string> SystemArchiveLibraryCandidates() {
  std::vector<std::string> result;
  // An installed 7-Zip records its folder.
  for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
    for (const char* value : {"Path64", "Path"}) {
      if (const auto folder = ReadRegistryString(root, "Software\\7-Zip", value)) {
        if (!folder->empty()) result.push_back(IncludeTrailingBackslash(*folder) + "7z.dll");
      }
    }
  }
  result.push_back("C:\\Program Files\\7-Zip\\7z.dll");
  return result;
}

bool ExtractEmbeddedArchiveLibrary(const std::string& path) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, L"S7ZDLL", L"EXEFILE");
  if (!found) return false;
  const DWORD size = SizeofResource(self, found);
  HGLOBAL loaded = LoadResource(self, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return false;
  if (!ForceDirectories(ExtractFilePath(path))) return false;
  return WriteFileBytes(path, bytes, size);
}

}  // namespace pallograph
