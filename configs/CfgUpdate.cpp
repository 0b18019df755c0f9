#include "configs/CfgUpdate.h"

#include <exception>

#include "configs/CfgFile.h"
#include "configs/CfgLines.h"
#include "online/HttpFetch.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/System.h"

#ifndef PALLOGRAPH_CONFIGS_URL
#define PALLOGRAPH_CONFIGS_URL \
  "https://raw.githubusercontent.com/pallograph/pallograph/main/data/configs/"
#endif

namespace pallograph {

namespace {

constexpr const char* kConfigsUrlVariable = "PALLOGRAPH_CONFIGS_URL";

bool SaveCfgLines(const std::string& path, const std::vector<std::string>& lines) {
  const std::string folder = ExtractFilePath(path);
  if (!folder.empty() && !ForceDirectories(folder)) return false;
  const std::string text = JoinCfgLines(lines);
  return WriteFileAtomic(path, text.data(), text.size());
}

}  // namespace

std::string ConfigsRepositoryUrl() {
  std::string url = GetEnvironmentText(kConfigsUrlVariable);
  if (url.empty()) url = PALLOGRAPH_CONFIGS_URL;
  if (!url.empty() && url.back() != '/') url += '/';
  return url;
}

int UpdateCfgFile(const std::string& path) {
  try {
    std::vector<std::string> local;
    const int32_t localVersion = ReadCfgLines(path, local) ? FindCfgVersion(local) : 0;

    RIRequest request;
    InitRequestFull(request, ConfigsRepositoryUrl() + ExtractFileName(path), kHttpUserAgent,
                    kHttpAcceptLanguage, kHttpAccept, kHttpConnectTimeoutMs, kHttpAttempts,
                    kHttpKeepAlive, kHttpReceiveTimeoutMs);
    RIStringResult response;
    HttpGet(request, response);
    if (response.Error || response.Empty) return kCfgFetchFailed;

    const std::vector<std::string> remote = SplitCfgLines(response.Text);
    // A copy without a version never replaces a file that has one.
    if (localVersion > 0 && localVersion >= FindCfgVersion(remote)) return kCfgCurrent;
    return SaveCfgLines(path, remote) ? kCfgUpdated : kCfgFetchFailed;
  } catch (const std::exception&) {
    return kCfgFetchFailed;
  }
}

}  // namespace pallograph
