// Shared by the archive tests: the library under test and zip fixtures written by Python.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/NativePath.h"
#include "support/TestSupport.h"

namespace pallograph::test {

inline constexpr const char* kNativeLibrary = "/usr/lib/p7zip/7z.so";

inline std::string LibraryPath() { return FromNativePath(kNativeLibrary); }

struct TManifestEntry {
  std::string Name;  // '/'-separated, as Python wrote it
  bool IsFolder = false;
  uint64_t Size = 0;
};

// The fixtures of tests/archive/make_zips.py, made once per test program.
class TZipFixtures {
 public:
  static const TZipFixtures& Get() {
    static const std::unique_ptr<TZipFixtures> fixtures(new TZipFixtures());
    return *fixtures;
  }
  std::string Native(const std::string& relative) const { return dir_.Native(relative); }
  std::string Program(const std::string& relative) const {
    return FromNativePath(dir_.Native(relative));
  }
  const std::vector<TManifestEntry>& Manifest() const { return manifest_; }

 private:
  TZipFixtures() {
    RunPythonScript("tests/archive/make_zips.py", {dir_.Path()});
    std::istringstream lines(ReadText(dir_.Native("manifest.tsv")));
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      TManifestEntry entry;
      std::string folder, size;
      std::getline(fields, entry.Name, '\t');
      std::getline(fields, folder, '\t');
      std::getline(fields, size, '\t');
      entry.IsFolder = folder == "1";
      entry.Size = std::stoull(size);
      manifest_.push_back(entry);
    }
  }
  TTempDir dir_;
  std::vector<TManifestEntry> manifest_;
};

inline std::string ToBackslashes(std::string text) {
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

// Python zipfile's description of an archive (tests/archive/inspect_zip.py): one line per entry
// (name, method, flags, Unix mode, extra field ids), then the local-header, testzip, comment and
// last-entry lines.
inline std::vector<std::string> InspectZip(const std::string& nativeZip) {
  std::vector<std::string> lines;
  std::istringstream in(RunPythonScript("tests/archive/inspect_zip.py", {nativeZip}).Out);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace pallograph::test
