#include "ModsTestHelpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/ArchiveLibraryLocation.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "support/TestSupport.h"

namespace pallograph::test {

std::string LibraryFile() {
  for (const std::string& candidate : SystemArchiveLibraryCandidates()) {
    if (FileExists(candidate)) return candidate;
  }
  return FromNativePath("/usr/lib/p7zip/7z.so");
}

std::string RunFixture(const std::string& code, const std::vector<std::string>& args) {
  const std::string prelude = "import sys\nsys.path.insert(0, '" + SourceDir() +
                              "/tests/mods')\nimport client_files as cf\n";
  return RunPythonCode(prelude + code, args).Out;
}

RFiles Root(const std::string& name, const std::vector<std::string>& files) {
  RFiles root;
  root.Name = name;
  root.Files = files;
  root.Count = static_cast<int32_t>(files.size());
  return root;
}

std::vector<std::string> DistinctTexels(const std::string& nativePath) {
  const std::string out = RunFixture(
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1]).convert('RGBA')\n"
      "for t in sorted(set(im.getdata())): print('%d,%d,%d,%d' % t)\n",
      {nativePath});
  std::vector<std::string> lines;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string ImageSize(const std::string& nativePath) {
  std::string out = RunFixture(
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "print('%dx%d' % im.size, end='')\n",
      {nativePath});
  return out;
}

void ExpectReplace(std::vector<uint8_t>& data, const std::string& from, const std::string& to) {
  ASSERT_LE(to.size(), from.size());
  const auto at = std::search(data.begin(), data.end(), from.begin(), from.end());
  ASSERT_NE(at, data.end()) << "missing: " << from;
  for (auto p = at; p != data.end(); p = std::search(p, data.end(), from.begin(), from.end())) {
    std::fill(p, p + static_cast<std::ptrdiff_t>(from.size()), 0);
    std::copy(to.begin(), to.end(), p);
    p += static_cast<std::ptrdiff_t>(from.size());
  }
}

int OpenDescriptorsTo(const std::string& nativePath) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target = fs::canonical(nativePath, ec);
  if (ec || !fs::is_directory("/proc/self/fd")) return -1;
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
    std::error_code linkError;
    if (fs::read_symlink(entry.path(), linkError) == target) ++count;
  }
  return count;
}

}  // namespace pallograph::test
