#include "run/ClientDiagnosis.h"

#include "client/ClientFolder.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "run/ExitCodes.h"

namespace pallograph {

namespace {

constexpr const char* kExe = kClientExeName;

std::string Shown(const std::string& path) { return ToNativePath(path); }

std::string MissingExecutable(const std::string& given, const RWOTInfo& client) {
  const std::string path = AbsoluteProgramPath(given);
  if (!PathExists(path)) {
    std::string cause = "no such file or folder: " + Shown(path);
    if (given.rfind('~', 0) == 0) {
      cause +=
          " (a ~ after \"=\" is not expanded by the shell: write the full path or "
          "$HOME/...)";
    }
    return cause;
  }
  if (!client.Path.empty()) {
    return std::string("neither win32/") + kExe + " nor win64/" + kExe + " is in " +
           Shown(client.Path);
  }
  if (FileExists(path) && !SameTextAscii(ExtractFileName(path), kExe)) {
    return "not a folder: " + Shown(path) + " (give the client's folder or its " + kExe + ")";
  }
  return std::string(kExe) + " is not in " + Shown(ClientSearchFolder(path)) +
         " (give the client's folder)";
}

std::string UnreadableClientFile(const RWOTInfo& client) {
  for (const std::string& file : {client.VersionFile, client.PathsFile}) {
    if (file.empty() || !FileExists(file)) continue;
    std::vector<uint8_t> bytes;
    if (GetFileSizeSafe(file) > kClientTextLimit)
      return "the client file is too big: " + Shown(file);
    if (!ReadFileBytes(file, bytes)) return "the client file cannot be read: " + Shown(file);
  }
  return "the client's files in " + Shown(client.Path) + " could not be read";
}

std::string NoPackages(const RWOTInfo& client) {
  const std::string folder = client.Path + "res\\packages\\";
  if (!DirectoryExists(folder)) return "the client has no folder " + Shown(folder);
  return "no package file (*.pkg) that the client lists is in " + Shown(folder);
}

}  // namespace

std::string ClientFailureCause(const std::string& given, const RWOTInfo& client, int code) {
  switch (code) {
    case kExitNoClientPath:
      return "no client folder given: use --wot-path=<the client's folder>";
    case kExitClientError:
      return UnreadableClientFile(client);
    case kExitClientExeMissing:
      return MissingExecutable(given, client);
    case kExitNoPackages:
      return NoPackages(client);
    default:
      return {};
  }
}

}  // namespace pallograph
