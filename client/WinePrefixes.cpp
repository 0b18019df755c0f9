#include "client/WinePrefixes.h"

#include <optional>
#include <set>

#include "client/ForeignFiles.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// A Lutris game config or a libraryfolders.vdf is a few kilobytes.
constexpr int64_t kConfigFileLimit = 1 << 20;
// Lutris game configs read from one folder.
constexpr size_t kConfigFilesLimit = 256;
// Prefixes and libraries searched: enough for any real set-up, and a bound for a damaged one.
constexpr size_t kPrefixLimit = 64;
constexpr size_t kLibraryLimit = 32;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// `base` + '\' + a relative program path; "" when the base is unknown.
std::string Below(const std::string& base, const char* relative) {
  return base.empty() ? std::string() : IncludeTrailingBackslash(base) + relative;
}

class TPrefixCollector {
 public:
  explicit TPrefixCollector(const RClientPlaces& places) : places_(places) {}

  RWinePrefixes Collect() {
    const std::string& home = places_.Home;
    const std::string& data = places_.DataHome;
    if (!places_.WinePrefix.empty()) AddPrefix(places_.WinePrefix, "the Wine prefix");
    AddPrefix(Below(home, ".wine"), "the Wine prefix");

    for (const std::string& folder :
         {Below(places_.ConfigHome, "lutris\\games"), Below(data, "lutris\\games"),
          Below(home, ".var\\app\\net.lutris.Lutris\\config\\lutris\\games"),
          Below(home, ".var\\app\\net.lutris.Lutris\\data\\lutris\\games")}) {
      AddLutrisConfigs(folder);
    }
    AddPrefixesIn(Below(home, "Games"), "", "the Lutris prefix");

    for (const std::string& root :
         {Below(data, "Steam"), Below(home, ".steam\\steam"), Below(home, ".steam\\root"),
          Below(home, ".steam\\debian-installation"),
          Below(home, ".var\\app\\com.valvesoftware.Steam\\.local\\share\\Steam"),
          Below(home, ".var\\app\\com.valvesoftware.Steam\\data\\Steam"),
          Below(home, "snap\\steam\\common\\.local\\share\\Steam")}) {
      AddSteam(root);
    }

    for (const std::string& folder :
         {Below(data, "bottles\\bottles"),
          Below(home, ".var\\app\\com.usebottles.bottles\\data\\bottles\\bottles")}) {
      AddPrefixesIn(folder, "", "the Bottles prefix");
    }
    for (const std::string& folder :
         {Below(home, "PortProton\\data\\prefixes"), Below(home, "PortProton\\prefixes"),
          Below(home, "PortWINE\\PortProton\\data\\prefixes")}) {
      AddPrefixesIn(folder, "", "the PortProton prefix");
    }
    return std::move(found_);
  }

 private:
  // A folder named by another program's config, in its native form.
  std::string FromConfig(std::string native) const {
    if (StartsWith(native, "~/")) {
      if (places_.Home.empty()) return {};
      return IncludeTrailingBackslash(places_.Home) + FromNativePath(native.substr(2));
    }
    // A relative path would depend on this program's current folder.
    if (native.empty() || native[0] != '/') return {};
    return FromNativePath(native);
  }

  // True the first time a folder is seen (by its canonical path).
  bool FirstVisit(const std::string& folder) { return seen_.insert(CanonicalPath(folder)).second; }

  void AddPrefix(const std::string& path, const char* kind) {
    if (path.empty() || found_.Prefixes.size() >= kPrefixLimit) return;
    const std::string folder = IncludeTrailingBackslash(path);
    if (!DirectoryExists(folder + "drive_c") || !FirstVisit(folder)) return;
    found_.Prefixes.push_back({folder, kind});
  }

  // Each sub-folder of `parent` (+ `inner`, as Proton's "pfx") that is a prefix.
  void AddPrefixesIn(const std::string& parent, const char* inner, const char* kind) {
    if (parent.empty()) return;
    for (const TDirEntry& entry : ListDirectory(parent, nullptr, kForeignListLimit)) {
      if (!entry.IsDirectory) continue;
      AddPrefix(IncludeTrailingBackslash(parent) + entry.Name + (*inner ? "\\" : "") + inner, kind);
    }
  }

  void AddLutrisConfigs(const std::string& folder) {
    if (folder.empty()) return;
    size_t read = 0;
    for (const TDirEntry& entry : ListDirectory(folder, nullptr, kForeignListLimit)) {
      if (entry.IsDirectory || !EndsWith(LowerCaseAscii(entry.Name), ".yml")) continue;
      if (++read > kConfigFilesLimit) break;
      const std::string text =
          ReadForeignText(IncludeTrailingBackslash(folder) + entry.Name, kConfigFileLimit);
      AddPrefix(FromConfig(LutrisGamePrefix(text)), "the Lutris prefix");
    }
  }

  void AddSteam(const std::string& root) {
    if (root.empty() || !DirectoryExists(root)) return;
    std::vector<std::string> libraries{IncludeTrailingBackslash(root)};
    for (const char* vdf : {"steamapps\\libraryfolders.vdf", "config\\libraryfolders.vdf"}) {
      const std::string text =
          ReadForeignText(IncludeTrailingBackslash(root) + vdf, kConfigFileLimit);
      for (const std::string& library : SteamLibraryFolders(text)) {
        const std::string path = FromConfig(library);
        if (!path.empty()) libraries.push_back(IncludeTrailingBackslash(path));
      }
    }
    for (const std::string& library : libraries) {
      if (found_.SteamLibraries.size() >= kLibraryLimit) return;
      if (!DirectoryExists(library + "steamapps") || !FirstVisit(library)) continue;
      found_.SteamLibraries.push_back({library, "the Steam library"});
      AddPrefixesIn(library + "steamapps\\compatdata", "pfx", "the Proton prefix");
    }
  }

  const RClientPlaces& places_;
  RWinePrefixes found_;
  std::set<std::string> seen_;
};

}  // namespace

RWinePrefixes FindWinePrefixes(const RClientPlaces& places) {
  if (!places.WinePrefixes) return {};
  return TPrefixCollector(places).Collect();
}

std::vector<std::string> SteamLibraryFolders(std::string_view vdf) {
  std::vector<std::string> folders;
  std::optional<std::string> key;  // a key waiting for its value
  int depth = 0;
  size_t i = 0;
  while (i < vdf.size()) {
    const char c = vdf[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c == '/' && i + 1 < vdf.size() && vdf[i + 1] == '/') {
      while (i < vdf.size() && vdf[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      depth += c == '{' ? 1 : (depth > 0 ? -1 : 0);
      key.reset();
      ++i;
    } else {
      std::string token;
      if (c == '"') {
        for (++i; i < vdf.size() && vdf[i] != '"'; ++i) {
          if (vdf[i] == '\\' && i + 1 < vdf.size()) {
            ++i;
            token += vdf[i] == 'n' ? '\n' : vdf[i] == 't' ? '\t' : vdf[i];
          } else {
            token += vdf[i];
          }
        }
        ++i;  // the closing quote
      } else {
        while (i < vdf.size() && !IsBlank(vdf[i]) && vdf[i] != '{' && vdf[i] != '}' &&
               vdf[i] != '"') {
          token += vdf[i++];
        }
      }
      if (!key) {
        key = std::move(token);
        continue;
      }
      // A library's "path", or in the older form a numbered entry of the outer block.
      if (SameTextAscii(*key, "path") || (depth == 1 && AllDigits(*key))) {
        if (!token.empty()) folders.push_back(std::move(token));
      }
      key.reset();
    }
  }
  return folders;
}

std::string LutrisGamePrefix(std::string_view yml) {
  size_t at = 0;
  while (at < yml.size()) {
    size_t end = yml.find('\n', at);
    if (end == std::string_view::npos) end = yml.size();
    const std::string line = Trim(yml.substr(at, end - at));
    at = end + 1;
    if (!StartsWith(line, "prefix:")) continue;
    std::string value = Trim(std::string_view(line).substr(7));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return {};
}

}  // namespace pallograph
