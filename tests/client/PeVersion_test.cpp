#include "client/PeVersion.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/NativePath.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::TTempDir;

// Writes a PE image with the given file version through the fixture script; returns its native
// path.
std::string MakePe(const TTempDir& dir, const std::string& name, const std::string& version,
                   std::vector<std::string> flags = {}) {
  const std::string path = dir.Native(name);
  std::vector<std::string> args{path, version};
  args.insert(args.end(), flags.begin(), flags.end());
  test::RunPythonScript("tests/client/make_pe.py", args);
  return path;
}

// The file version as 7-Zip's PE reader shows it ("FILEVERSION 1,22,1,2" in UTF-16 text).
std::string SevenZipFileVersion(const std::string& nativePath) {
  const auto result = test::RunProcess({"7z", "x", "-so", nativePath, ".rsrc/version.txt"});
  std::string ascii;
  for (const char c : result.Out) {
    if (c != '\0') ascii += c;
  }
  std::smatch match;
  if (!std::regex_search(ascii, match, std::regex(R"(FILEVERSION\s+(\d+),(\d+),(\d+),(\d+))"))) {
    return "<none>";
  }
  return match.str(1) + "." + match.str(2) + "." + match.str(3) + "." + match.str(4);
}

TEST(PeVersionTest, ReadsFixedFileVersionAsSevenZipDoes) {
  TTempDir dir;
  struct TCase {
    std::string Version;
    std::vector<std::string> Flags;
  };
  const std::vector<TCase> cases = {
      {"1.22.1.2", {}},
      {"2.4.0.1000", {"--pe32"}},
      {"65535.0.7.65535", {"--rsrc-va", "0x7000", "--rsrc-raw", "0x800"}},
  };
  for (const TCase& c : cases) {
    const std::string path = MakePe(dir, "client.exe", c.Version, c.Flags);
    EXPECT_EQ(SevenZipFileVersion(path), c.Version);
    EXPECT_EQ(GetFileVersionText(FromNativePath(path)), c.Version);
  }
}

TEST(PeVersionTest, ImageWithoutVersionGivesEmptyText) {
  TTempDir dir;
  EXPECT_EQ(GetFileVersionText(FromNativePath(MakePe(dir, "a.exe", "1.2.3.4", {"--no-resources"}))),
            "");
  EXPECT_EQ(
      GetFileVersionText(FromNativePath(MakePe(dir, "b.exe", "1.2.3.4", {"--bad-signature"}))), "");
  test::WriteText(dir.Native("empty.exe"), "");
  EXPECT_EQ(GetFileVersionText(FromNativePath(dir.Native("empty.exe"))), "");
  test::WriteText(dir.Native("text.exe"), "MZ this is not an executable");
  EXPECT_EQ(GetFileVersionText(FromNativePath(dir.Native("text.exe"))), "");
  EXPECT_EQ(GetFileVersionText(FromNativePath(dir.Native("missing.exe"))), "");
  EXPECT_EQ(GetFileVersionText(dir.ProgramPath()), "");
}

// Every cut of a valid image, and every single corrupted byte of its headers and resource tree,
// is read without touching memory outside the data (the sanitizer build checks that).
TEST(PeVersionTest, TruncatedAndCorruptedImagesAreReadSafely) {
  TTempDir dir;
  const std::vector<uint8_t> image = test::ReadBinary(MakePe(dir, "c.exe", "3.1.4.1"));
  ASSERT_GT(image.size(), 0x400u);
  {
    TMemoryStream whole(image);
    ASSERT_EQ(ReadPeFileVersion(whole), "3.1.4.1");
  }
  size_t versionEnd = 0;
  for (size_t length = 0; length < image.size(); ++length) {
    TMemoryStream cut(std::vector<uint8_t>(image.begin(), image.begin() + length));
    const std::string version = ReadPeFileVersion(cut);
    if (!version.empty() && versionEnd == 0) versionEnd = length;
    if (versionEnd == 0) {
      EXPECT_EQ(version, "") << length;
    }
  }
  // The image's tail is section padding: the version is found once the resource is complete.
  EXPECT_GT(versionEnd, 0x400u);
  for (size_t at = 0; at < 0x400 + 0x140; ++at) {
    if (at >= 0x200 && at < 0x400) continue;  // code bytes
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x80}}) {
      std::vector<uint8_t> bad = image;
      bad[at] = value;
      TMemoryStream stream(std::move(bad));
      ReadPeFileVersion(stream);
    }
  }
}

}  // namespace
}  // namespace pallograph
