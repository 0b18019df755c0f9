#include "client/ClientSearch.h"

#include <algorithm>
#include <set>

#include "client/ClientFolder.h"
#include "client/ForeignFiles.h"
#include "client/VersionXml.h"
#include "client/WinePrefixes.h"
#include "client/WineRegistryFile.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// How deep below drive_c a client is looked for: drive_c\Games\World_of_Tanks_EU is 2,
// drive_c\users\<user>\Games\World_of_Tanks_EU 4.
constexpr int kDriveCDepth = 4;
// Folder entries looked at below one drive_c, one Steam library or one default folder.
constexpr size_t kWalkBudget = 20000;
// Path components a registry path may have.
constexpr size_t kComponentLimit = 64;

// The registry files of one prefix, read as the system's registry would answer.
class TPrefixRegistry {
 public:
  explicit TPrefixRegistry(const std::string& prefix) {
    user_.Load(ReadForeignText(prefix + "user.reg", kWineRegistryFileLimit));
    machine_.Load(ReadForeignText(prefix + "system.reg", kWineRegistryFileLimit));
  }

  std::optional<std::string> Read(RegistryRoot root, const std::string& key,
                                  const std::string& value) const {
    switch (root) {
      case RegistryRoot::CurrentUser:
        return user_.ReadString(key, value);
      case RegistryRoot::LocalMachine:
        return machine_.ReadString(key, value);
      case RegistryRoot::ClassesRoot:
        break;
    }
    // The classes root joins the user's classes and the machine's; the user's win.
    const std::string classes = "Software\\Classes\\" + key;
    if (auto text = user_.ReadString(classes, value)) return text;
    return machine_.ReadString(classes, value);
  }

 private:
  TWineRegistryFile user_;
  TWineRegistryFile machine_;
};

class TClientCollector {
 public:
  explicit TClientCollector(const RClientPlaces& places) : places_(places) {}

  // A folder that may be a client's, and where it was found.
  void Consider(const std::string& folder, const std::string& where) {
    RWOTInfo info;
    ReadWOTInfo(folder, info);
    if (!ClientIsUsable(info) || !seen_.insert(CanonicalPath(info.Path)).second) return;
    const std::string version_xml = ReadForeignText(info.VersionFile, kClientTextLimit);
    found_.Clients.push_back({info.Path, info.VersionText, VersionXmlRealm(version_xml), where});
  }

  void SearchRegistry(const TRegistryReader& registry) {
    found_.Searched.push_back("the registry");
    const TRegistryPathMap same = [](const std::string& path) { return path; };
    for (const RRegistryClient& client : ClientExesInRegistry(registry, same)) {
      Consider(ExtractFilePath(client.ExeFile), "the registry (" + client.Entry + ")");
    }
  }

  void SearchDefaultFolder(const std::string& folder) {
    found_.Searched.push_back(Shown(folder));
    size_t budget = kWalkBudget;
    for (const std::string& client : FindClientFolders(folder, 1, "", budget)) {
      Consider(client, "the launcher's default folder " + Shown(folder));
    }
  }

  void SearchPrefix(const RSearchFolder& prefix) {
    const std::string where = prefix.Kind + " " + Shown(prefix.Path);
    found_.Searched.push_back(where);
    const TPrefixRegistry registry(prefix.Path);
    const TRegistryReader read = [&registry](RegistryRoot root, const std::string& key,
                                             const std::string& value) {
      return registry.Read(root, key, value);
    };
    const TRegistryPathMap map = [&prefix](const std::string& path) {
      return MapPrefixPath(prefix.Path, path);
    };
    for (const RRegistryClient& client : ClientExesInRegistry(read, map)) {
      Consider(ExtractFilePath(client.ExeFile), where);
    }
    size_t budget = kWalkBudget;
    for (const std::string& client :
         FindClientFolders(prefix.Path + "drive_c\\", kDriveCDepth, "windows", budget)) {
      Consider(client, where);
    }
  }

  // The games Steam installed (steamapps\common\<game>).
  void SearchSteamLibrary(const RSearchFolder& library) {
    const std::string where = library.Kind + " " + Shown(library.Path);
    found_.Searched.push_back(where);
    size_t budget = kWalkBudget;
    for (const std::string& client :
         FindClientFolders(library.Path + "steamapps\\common\\", 1, "", budget)) {
      Consider(client, where);
    }
  }

  RClientSearch Result() { return std::move(found_); }

 private:
  // A folder in the system's form, the home folder as "~".
  std::string Shown(const std::string& folder) const {
    std::string path = ExcludeTrailingBackslash(folder);
    const std::string& home = places_.Home;
    if (!home.empty() && StartsWith(path, IncludeTrailingBackslash(home))) {
      return "~/" + ToNativePath(path.substr(IncludeTrailingBackslash(home).size()));
    }
    return ToNativePath(path);
  }

  const RClientPlaces& places_;
  RClientSearch found_;
  std::set<std::string> seen_;
};

// The entry of `folder` whose name equals `name` without regard to ASCII case; `name` when none.
std::string NameInFolder(const std::string& folder, const std::string& name) {
  if (PathExists(folder + name)) return name;
  for (const TDirEntry& entry : ListDirectory(folder, nullptr, kForeignListLimit)) {
    if (SameTextAscii(entry.Name, name)) return entry.Name;
  }
  return name;
}

}  // namespace

bool ClientIsUsable(const RWOTInfo& client) {
  return !client.Error && !client.Path.empty() && FileExists(client.RunExe) &&
         !client.Packages.empty();
}

std::string MapPrefixPath(const std::string& prefix, const std::string& windows_path) {
  const std::string path = SlashesToBackslashes(windows_path);
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return {};
  const char drive = LowerCaseAscii(path.substr(0, 1))[0];
  if (drive < 'a' || drive > 'z') return {};
  std::string mapped = drive == 'c'   ? IncludeTrailingBackslash(prefix) + "drive_c\\"
                       : drive == 'z' ? std::string(1, kPathDelim)
                                      : IncludeTrailingBackslash(prefix) + "dosdevices\\" +
                                            std::string(1, drive) + ":\\";
  size_t components = 0;
  size_t at = 3;
  while (at < path.size()) {
    size_t end = path.find('\\', at);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(at, end - at);
    at = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == ".." || ++components > kComponentLimit) return {};
    if (!EndsWith(mapped, "\\")) mapped += kPathDelim;
    mapped += NameInFolder(mapped, name);
  }
  return mapped;
}

std::vector<std::string> FindClientFolders(const std::string& root, int depth,
                                           const std::string& skip, size_t& budget) {
  std::vector<std::string> found;
  const std::string folder = IncludeTrailingBackslash(root);
  if (budget == 0) return found;
  const std::vector<TDirEntry> entries =
      ListDirectory(folder, nullptr, std::min(budget, kForeignListLimit));
  budget -= std::min(budget, entries.size());
  for (const TDirEntry& entry : entries) {
    if (!entry.IsDirectory && entry.Name == kClientExeName) return {folder};
  }
  if (depth <= 0) return found;
  for (const TDirEntry& entry : entries) {
    if (!entry.IsDirectory || entry.IsLink || (!skip.empty() && SameTextAscii(entry.Name, skip))) {
      continue;
    }
    for (std::string& client : FindClientFolders(folder + entry.Name, depth - 1, "", budget)) {
      found.push_back(std::move(client));
    }
  }
  return found;
}

RClientSearch SearchClients(const RClientPlaces& places, const TRegistryReader& registry) {
  TClientCollector collector(places);
  if (places.Registry) collector.SearchRegistry(registry);
  for (const std::string& folder : places.DefaultFolders) collector.SearchDefaultFolder(folder);
  const RWinePrefixes prefixes = FindWinePrefixes(places);
  for (const RSearchFolder& prefix : prefixes.Prefixes) collector.SearchPrefix(prefix);
  for (const RSearchFolder& library : prefixes.SteamLibraries) {
    collector.SearchSteamLibrary(library);
  }
  return collector.Result();
}

RClientSearch SearchClients() { return SearchClients(SystemClientPlaces(), ReadRegistryString); }

}  // namespace pallograph
