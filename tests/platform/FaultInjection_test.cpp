// The rules of PALLOGRAPH_FAULT. The variable is read once per process, so the test runs this
// program again with the rules set and a filter that names the child half, which checks them.
#include "platform/FaultInjection.h"

#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

TEST(FaultInjectionTest, RulesFailOnlyTheNamedCalls) {
  test::TTempDir dir;
  const test::TProcessResult r = test::RunProcess(
      {"/proc/self/exe", "--gtest_filter=FaultInjectionChild.*"}, "", "",
      {"PALLOGRAPH_FAULT=create:2@.a;full:10@.b;mkdir@deny;rename:1@.c;truncate:1@.d;remove:2@.e;"
       "vanish:1@.v;bogus:1@.a;create:1",
       "TMPDIR=" + dir.Path(), "PALLOGRAPH_FAULT_CHILD=1"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("[  PASSED  ] 1 test."), std::string::npos) << r.Out;
}

bool CreateFile(const std::string& path) {
  TFile file;
  return file.Open(path, TFile::Mode::Create);
}

TEST(FaultInjectionChild, Rules) {
  if (GetEnvironmentText("PALLOGRAPH_FAULT_CHILD").empty()) GTEST_SKIP() << "run by the test above";
  ASSERT_TRUE(fault::Active());
  const std::string dir = TempFolder();

  // Only the n-th matching creation fails; other paths never.
  EXPECT_TRUE(CreateFile(dir + "1.a"));
  EXPECT_TRUE(CreateFile(dir + "other"));
  EXPECT_FALSE(CreateFile(dir + "2.a"));
  EXPECT_TRUE(CreateFile(dir + "3.a"));

  // Matching files share one byte budget; a write past it fails, smaller ones still fit.
  TFile first;
  ASSERT_TRUE(first.Open(dir + "x.b", TFile::Mode::Create));
  EXPECT_TRUE(first.WriteExact("123456", 6));
  EXPECT_FALSE(first.WriteExact("12345", 5));
  TFile second;
  ASSERT_TRUE(second.Open(dir + "y.b", TFile::Mode::Create));
  EXPECT_TRUE(second.WriteExact("1234", 4));
  EXPECT_FALSE(second.WriteExact("1", 1));
  TFile unlimited;
  ASSERT_TRUE(unlimited.Open(dir + "z.other", TFile::Mode::Create));
  EXPECT_TRUE(unlimited.WriteExact("12345678901234567890", 20));

  EXPECT_FALSE(ForceDirectories(dir + "deny\\x\\"));
  EXPECT_TRUE(ForceDirectories(dir + "allow\\x\\"));

  ASSERT_TRUE(WriteFileBytes(dir + "s", "x", 1));
  EXPECT_FALSE(RenameFileAt(dir + "s", dir + "t.c"));
  EXPECT_TRUE(RenameFileAt(dir + "s", dir + "t.c"));

  // Read-opens change the file first: truncation to half, removal on the n-th.
  ASSERT_TRUE(WriteFileBytes(dir + "f.d", "0123456789", 10));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadFileBytes(dir + "f.d", bytes));
  EXPECT_EQ(bytes.size(), 5u);
  EXPECT_TRUE(ReadFileBytes(dir + "f.d", bytes));
  EXPECT_EQ(bytes.size(), 5u);
  ASSERT_TRUE(WriteFileBytes(dir + "f.e", "01", 2));
  EXPECT_TRUE(ReadFileBytes(dir + "f.e", bytes));
  EXPECT_FALSE(ReadFileBytes(dir + "f.e", bytes));
  EXPECT_FALSE(FileExists(dir + "f.e"));

  // The run's folder below the temporary folder goes; the temporary folder stays.
  ASSERT_TRUE(ForceDirectories(dir + "{run}\\res\\"));
  EXPECT_FALSE(CreateFile(dir + "{run}\\res\\a.v"));
  EXPECT_FALSE(DirectoryExists(dir + "{run}\\"));
  EXPECT_TRUE(DirectoryExists(dir));
}

}  // namespace
}  // namespace pallograph
