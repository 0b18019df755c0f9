// The Windows release zip as scripts/windows/pack_release.sh lays it out, read back by Python's
// zipfile and checked by unzip: one folder "Pallograph" holding the program, the 7-Zip library
// with its licence, the shipped configs, the licence and the README, the two texts with Windows
// line ends, in name order; the README's option table lists the program's option table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "packaging/PackagingTestHelpers.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

class WindowsReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Stand-ins for the built program and the fetched library: the packer copies them as they are.
    test::WriteText(dir_.Native("pallograph.exe"), "MZ program");
    test::WriteText(dir_.Native("7z.dll"), "MZ library");
    test::WriteText(dir_.Native("License.txt"), "7-Zip licence\n");
    const test::TProcessResult packed =
        test::RunProcess({"bash", test::SourceDir() + "/scripts/windows/pack_release.sh",
                          dir_.Native("pallograph.exe"), dir_.Native("7z.dll"),
                          dir_.Native("License.txt"), dir_.Native("out/release.zip")});
    ASSERT_EQ(packed.ExitCode, 0) << packed.Err;
    // Read back by Python's zipfile: the entry names in their order, each entry written below
    // `extracted/`.
    const test::TProcessResult listed = test::RunPythonCode(
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1]) as z:\n"
        "    assert z.testzip() is None\n"
        "    z.extractall(sys.argv[2])\n"
        "    for i in z.infolist(): print(i.filename)\n",
        {dir_.Native("out/release.zip"), dir_.Native("extracted")});
    ASSERT_EQ(listed.ExitCode, 0) << listed.Err;
    entries_ = test::SplitLines(listed.Out);
  }

  std::string Extracted(const std::string& name) {
    return test::ReadText(dir_.Native("extracted/Pallograph/" + name));
  }

  test::TTempDir dir_;
  std::vector<std::string> entries_;
};

TEST_F(WindowsReleaseTest, HoldsTheProgramLibraryConfigsLicenceAndReadme) {
  std::set<std::string> expected = {"Pallograph/",
                                    "Pallograph/pallograph.exe",
                                    "Pallograph/7z.dll",
                                    "Pallograph/7z-License.txt",
                                    "Pallograph/LICENSE.txt",
                                    "Pallograph/README.txt"};
  std::vector<std::string> configs;
  for (const auto& entry :
       std::filesystem::directory_iterator(test::SourceDir() + "/data/configs")) {
    if (entry.path().extension() != ".cfg") continue;
    configs.push_back(entry.path().filename().string());
    expected.insert("Pallograph/" + configs.back());
  }
  ASSERT_EQ(configs.size(), 4u);
  EXPECT_EQ(std::set<std::string>(entries_.begin(), entries_.end()), expected);
  EXPECT_EQ(entries_.size(), expected.size());
  EXPECT_TRUE(std::is_sorted(entries_.begin(), entries_.end())) << "entries in name order";

  // Byte for byte what went in, the texts with CR LF line ends.
  EXPECT_EQ(Extracted("pallograph.exe"), "MZ program");
  EXPECT_EQ(Extracted("7z.dll"), "MZ library");
  EXPECT_EQ(Extracted("7z-License.txt"), "7-Zip licence\n");
  for (const std::string& name : configs) {
    EXPECT_EQ(Extracted(name), test::ReadText(test::SourceDir() + "/data/configs/" + name)) << name;
  }
  for (const auto& [name, source] : {std::pair<std::string, std::string>{"LICENSE.txt", "LICENSE"},
                                     {"README.txt", "scripts/windows/README-Windows.txt"}}) {
    std::string crlf;
    for (const char c : test::ReadText(test::SourceDir() + "/" + source)) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    EXPECT_EQ(Extracted(name), crlf) << name;
  }
  EXPECT_NE(Extracted("LICENSE.txt").find("Copyright (c) 2026 The Pallograph authors"),
            std::string::npos);

  const test::TProcessResult tested =
      test::RunProcess({"unzip", "-tq", dir_.Native("out/release.zip")});
  EXPECT_EQ(tested.ExitCode, 0) << tested.Out << tested.Err;
}

TEST_F(WindowsReleaseTest, ReadmeTableListsEveryOptionOnce) {
  // The rows of the option table start two blanks in with their options, which end at the next
  // two blanks.
  std::multiset<std::string> documented;
  bool table = false;
  for (const std::string& line : test::SplitLines(Extracted("README.txt"))) {
    if (line == "Options") table = true;
    if (!table || line.rfind("  -", 0) != 0) continue;
    const std::multiset<std::string> words =
        test::OptionWords(line.substr(2, line.find("  ", 2) - 2));
    documented.insert(words.begin(), words.end());
  }
  EXPECT_EQ(test::CompareWithOptionTable(documented), "");
}

}  // namespace
}  // namespace pallograph
