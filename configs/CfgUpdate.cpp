#include "configs/CfgUpdate.h"

#include <exception>

#include "configs/CfgFile.h"
#include "configs/CfgLines.h"
#include "online/DownloadedText.h"
#include "online/HttpFetch.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
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

// The local file's version by the refresh's rule; 0 when the reader refuses the file or it
// lists nothing, so that any good copy replaces it.
int32_t LocalVersion(const std::string& path) {
  const RCfgFile local = ParseCfgFile(path);
  if (!local.Problem.empty() || local.Roots.empty()) return 0;
  std::vector<std::string> lines;
  return ReadCfgLines(path, lines) ? FindCfgVersion(lines) : 0;
}

// Why an answer is no config the run could use; "" when it is one.
std::string AnswerRefusal(const std::string& text, const std::string& fileName) {
  const RCfgFile cfg = ParseCfgText(text, fileName);
  if (!cfg.Problem.empty()) return "the answer " + CfgUnusableReason(cfg);
  // No config line starts with '<'; every web page does.
  const size_t bom = StartsWith(text, "\xEF\xBB\xBF") ? 3 : 0;
  const size_t start = text.find_first_not_of(" \t\r\n", bom);
  if (start != std::string::npos && text[start] == '<') {
    return "the answer is a web page, not a config file";
  }
  if (!IsUtf8Text(text)) return "the answer is not UTF-8 text";
  const std::string unusable = CfgUnusableReason(cfg);
  return unusable.empty() ? std::string() : "the answer " + unusable;
}

}  // namespace

std::string ConfigsRepositoryUrl() {
  std::string url = GetEnvironmentText(kConfigsUrlVariable);
  if (url.empty()) url = PALLOGRAPH_CONFIGS_URL;
  if (!url.empty() && url.back() != '/') url += '/';
  return url;
}

int UpdateCfgFile(const std::string& path, std::string& reason) {
  reason.clear();
  try {
    const int32_t localVersion = LocalVersion(path);
    const std::string url = ConfigsRepositoryUrl() + ExtractFileName(path);
    RIRequest request;
    InitRequestFull(request, url, kHttpUserAgent, kHttpAcceptLanguage, kHttpAccept,
                    kHttpConnectTimeoutMs, kHttpAttempts, kHttpKeepAlive, kHttpReceiveTimeoutMs);
    request.TotalTimeout = DownloadTimeLimitMs();
    request.MaxBodySize = static_cast<size_t>(kMaxCfgFileSize);
    RIStringResult response;
    HttpGet(request, response);
    if (response.Error) {
      reason = url + ": " + response.Reason;
      return response.TooLarge ? kCfgRefused : kCfgFetchFailed;
    }
    if (response.Empty) {
      reason = url + ": the answer is empty";
      return kCfgFetchFailed;
    }
    const std::string refusal = AnswerRefusal(response.Text, ExtractFileName(path));
    if (!refusal.empty()) {
      reason = url + ": " + refusal;
      return kCfgRefused;
    }
    const std::vector<std::string> remote = SplitCfgLines(response.Text);
    if (localVersion > 0 && localVersion >= FindCfgVersion(remote)) return kCfgCurrent;
    if (SaveCfgLines(path, remote)) return kCfgUpdated;
    reason = "the fetched copy cannot be written to " + ToNativePath(path);
    return kCfgFetchFailed;
  } catch (const std::exception&) {
    reason = "out of memory";
    return kCfgFetchFailed;
  }
}

int UpdateCfgFile(const std::string& path) {
  std::string reason;
  return UpdateCfgFile(path, reason);
}

}  // namespace pallograph
