#include "platform/FaultInjection.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/System.h"

namespace pallograph::fault {

namespace {

enum class TKind { Create, Full, MakeDirectory, Rename, Truncate, Remove, Vanish, Throw };

struct TRule {
  TKind Kind;
  uint64_t N = 1;
  std::string Text;
  uint64_t Seen = 0;  // matching calls so far; bytes so far for "full"
};

struct TFaults {
  std::mutex Lock;
  std::vector<TRule> Rules;                                   // guarded by Lock
  std::unordered_map<const void*, std::vector<size_t>> Full;  // open file -> its "full" rules
};

bool ParseKind(const std::string& name, TKind& kind) {
  static const std::pair<const char*, TKind> kKinds[] = {
      {"create", TKind::Create}, {"full", TKind::Full},         {"mkdir", TKind::MakeDirectory},
      {"rename", TKind::Rename}, {"truncate", TKind::Truncate}, {"remove", TKind::Remove},
      {"vanish", TKind::Vanish}, {"throw", TKind::Throw}};
  for (const auto& [text, value] : kKinds) {
    if (name == text) {
      kind = value;
      return true;
    }
  }
  return false;
}

std::vector<TRule> ParseRules(const std::string& all) {
  std::vector<TRule> rules;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    const std::string rule = all.substr(start, end - start);
    start = end + 1;
    const size_t at = rule.find('@');
    if (at == std::string::npos) continue;
    const std::string head = rule.substr(0, at);
    const size_t colon = head.find(':');
    TRule parsed{TKind::Create, 1, rule.substr(at + 1), 0};
    if (!ParseKind(head.substr(0, colon), parsed.Kind)) continue;
    if (colon != std::string::npos) parsed.N = std::strtoull(head.c_str() + colon + 1, nullptr, 10);
    rules.push_back(std::move(parsed));
  }
  return rules;
}

TFaults* Faults() {
  static TFaults* const faults = [] {
    std::vector<TRule> rules = ParseRules(GetEnvironmentText("PALLOGRAPH_FAULT"));
    if (rules.empty()) return static_cast<TFaults*>(nullptr);
    static TFaults instance;
    instance.Rules = std::move(rules);
    return &instance;
  }();
  return faults;
}

// Counts a matching call of the rule's kind; true when it is the n-th.
bool Hit(TRule& rule, TKind kind, const std::string& path) {
  if (rule.Kind != kind || path.find(rule.Text) == std::string::npos) return false;
  return ++rule.Seen == rule.N;
}

// Cuts the file to half its size, through the system's own calls (no hooks).
void HalveFile(const std::string& path) {
  const TFileHandle file = OpenFileHandle(path, TFileAccess::ReadWrite);
  if (!file) return;
  if (SeekFileHandle(file, 0, true)) {
    const int64_t size = TellFileHandle(file);
    if (size > 0) TruncateFileHandle(file, size / 2);
  }
  CloseFileHandle(file);
}

// The first folder below the system temporary folder on the path, or "".
std::string RunTempFolder(const std::string& path) {
  const std::string temp = TempFolder();
  if (!StartsWith(path, temp)) return {};
  const size_t end = path.find(kPathDelim, temp.size());
  return end == std::string::npos ? std::string() : path.substr(0, end);
}

}  // namespace

bool Active() { return Faults() != nullptr; }

bool OnOpen(const std::string& path, bool create) {
  TFaults* faults = Faults();
  if (!faults) return false;
  std::lock_guard<std::mutex> lock(faults->Lock);
  bool fail = false;
  bool raise = false;
  for (TRule& rule : faults->Rules) {
    raise = Hit(rule, TKind::Throw, path) || raise;
    if (create) {
      if (Hit(rule, TKind::Vanish, path)) {
        const std::string folder = RunTempFolder(path);
        if (!folder.empty()) DeleteFolderTree(folder);
        // This creation fails as in a vanished folder, also when another thread has made the
        // file's folder again meanwhile.
        fail = true;
        errno = ENOENT;
      }
      if (Hit(rule, TKind::Create, path)) {
        fail = true;
        errno = EACCES;
      }
    } else {
      if (Hit(rule, TKind::Truncate, path)) HalveFile(path);
      if (Hit(rule, TKind::Remove, path)) DeleteFileAt(path);
    }
  }
  if (raise) throw std::runtime_error("injected exception opening " + path);
  return fail;
}

void OnOpened(const void* handle_key, const std::string& path) {
  TFaults* faults = Faults();
  if (!faults) return;
  std::lock_guard<std::mutex> lock(faults->Lock);
  std::vector<size_t> full;
  for (size_t i = 0; i < faults->Rules.size(); ++i) {
    const TRule& rule = faults->Rules[i];
    if (rule.Kind == TKind::Full && path.find(rule.Text) != std::string::npos) full.push_back(i);
  }
  if (full.empty()) {
    faults->Full.erase(handle_key);
  } else {
    faults->Full[handle_key] = std::move(full);
  }
}

bool OnWrite(const void* handle_key, size_t size) {
  TFaults* faults = Faults();
  if (!faults) return false;
  std::lock_guard<std::mutex> lock(faults->Lock);
  const auto found = faults->Full.find(handle_key);
  if (found == faults->Full.end()) return false;
  bool fail = false;
  for (size_t index : found->second) {
    TRule& rule = faults->Rules[index];
    if (rule.Seen + size > rule.N) {
      fail = true;
      errno = ENOSPC;
    } else {
      rule.Seen += size;
    }
  }
  return fail;
}

void OnClose(const void* handle_key) {
  TFaults* faults = Faults();
  if (!faults) return;
  std::lock_guard<std::mutex> lock(faults->Lock);
  faults->Full.erase(handle_key);
}

bool OnMakeDirectory(const std::string& path) {
  TFaults* faults = Faults();
  if (!faults) return false;
  std::lock_guard<std::mutex> lock(faults->Lock);
  for (const TRule& rule : faults->Rules) {
    if (rule.Kind == TKind::MakeDirectory && path.find(rule.Text) != std::string::npos) {
      errno = EACCES;
      return true;
    }
  }
  return false;
}

bool OnRename(const std::string& to) {
  TFaults* faults = Faults();
  if (!faults) return false;
  std::lock_guard<std::mutex> lock(faults->Lock);
  bool fail = false;
  for (TRule& rule : faults->Rules) fail = Hit(rule, TKind::Rename, to) || fail;
  if (fail) errno = EACCES;
  return fail;
}

}  // namespace pallograph::fault
