#include "client/ClientFolder.h"

#include "platform/PathText.h"

namespace pallograph {

bool InBitnessFolder(const std::string& path) {
  return path.find("win32") != std::string::npos || path.find("win64") != std::string::npos;
}

std::string ParentFolder(const std::string& folder) {
  return ExtractFilePath(ExcludeTrailingBackslash(folder));
}

std::string ClientSearchFolder(const std::string& path) {
  std::string folder =
      ExtractFileExt(path) == ".exe" ? ExtractFilePath(path) : IncludeTrailingBackslash(path);
  if (InBitnessFolder(folder)) folder = ParentFolder(folder);
  return folder;
}

}  // namespace pallograph
