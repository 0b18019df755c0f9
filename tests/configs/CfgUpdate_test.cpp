#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "configs/CfgFile.h"
#include "configs/CfgUpdate.h"
#include "online/http_TestServer.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::ReadText;
using test::WriteText;

// A repository on a loopback server: files placed in remote_ are served as the repository's.
class UpdateCfgFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Running());
    setenv("PALLOGRAPH_CONFIGS_URL", server_.Url("/files/").c_str(), 1);
  }
  void TearDown() override { unsetenv("PALLOGRAPH_CONFIGS_URL"); }

  void Remote(const std::string& text) { WriteText(remote_.Native("MapTanks.cfg"), text); }
  void Local(const std::string& text) { WriteText(local_.Native("MapTanks.cfg"), text); }
  std::string LocalText() const { return ReadText(local_.Native("MapTanks.cfg")); }
  int Update() const { return UpdateCfgFile(local_.ProgramPath() + "MapTanks.cfg"); }

  test::TTempDir remote_, local_;
  test::THttpTestServer server_{{"--root", remote_.Path()}};
};

TEST_F(UpdateCfgFileTest, SameVersionKeepsTheLocalFile) {
  Local("version = 7\nlocal\n");
  Remote("version = 7\nremote\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  EXPECT_EQ(LocalText(), "version = 7\nlocal\n");
}

TEST_F(UpdateCfgFileTest, HigherRemoteVersionIsSavedWithCrLf) {
  Local("version = 7\nlocal\n");
  Remote("# comment\nversion = 8\rcontent\\Railway\\\n\tname.dds");
  EXPECT_EQ(Update(), kCfgUpdated);
  EXPECT_EQ(LocalText(), "# comment\r\nversion = 8\r\ncontent\\Railway\\\r\n\tname.dds\r\n");
  // Nothing but the config itself is left in the folder.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(local_.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(UpdateCfgFileTest, LowerRemoteVersionKeepsTheLocalFile) {
  Local("version = 9\nroot\n");
  Remote("version = 8\nroot\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  EXPECT_EQ(LocalText(), "version = 9\nroot\n");
}

TEST_F(UpdateCfgFileTest, MissingLocalFileIsAlwaysFetched) {
  Remote("version = 1\nroot\n");
  EXPECT_EQ(Update(), kCfgUpdated);
  EXPECT_EQ(LocalText(), "version = 1\r\nroot\r\n");
}

TEST_F(UpdateCfgFileTest, LocalFileWithoutUsableVersionIsReplaced) {
  // Also a file that an earlier program saved from a bad answer: it claims a high version, but
  // the reader refuses it or finds nothing in it.
  for (const std::string& local : std::vector<std::string>{
           "root\n", "version = 0\n", "version = -2\n", "version = x\n", "version = 99\n# none\n",
           std::string("version = 99\nro\0ot\n", 19), "<<<<<<< HEAD\nversion = 99\nroot\n"}) {
    Local(local);
    Remote("version = 1\nother\n");
    EXPECT_EQ(Update(), kCfgUpdated) << local;
    EXPECT_EQ(LocalText(), "version = 1\r\nother\r\n");
  }
}

TEST_F(UpdateCfgFileTest, RemoteWithoutVersionNeverReplacesAFile) {
  for (const char* local : {"version = 1\nroot\n", "root\n"}) {
    Local(local);
    Remote("# version = 5 in a comment does not count\nroot\n");
    std::string reason;
    EXPECT_EQ(UpdateCfgFile(local_.ProgramPath() + "MapTanks.cfg", reason), kCfgRefused);
    EXPECT_EQ(reason, server_.Url("/files/MapTanks.cfg") +
                          ": the answer has no version line \"version = N\" with N of 1 or more");
    EXPECT_EQ(LocalText(), local);
  }
}

TEST_F(UpdateCfgFileTest, VersionRuleSeesIndentedAndEmbeddedVersionLines) {
  // The refresh looks at untrimmed lines: an indented line counts, a "#" in column 1 does not.
  Local("# version = 1\nroot\n  version = 7\n");
  Remote("root version = 7\nversion = 9\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  Remote("#version = 99\nxversion = 8\nversion = 1\n");
  EXPECT_EQ(Update(), kCfgUpdated);
}

TEST_F(UpdateCfgFileTest, MissingRemoteFileIsAFailure) {
  Local("root\n");
  std::string reason;
  EXPECT_EQ(UpdateCfgFile(local_.ProgramPath() + "MapTanks.cfg", reason), kCfgFetchFailed);
  EXPECT_EQ(reason, server_.Url("/files/MapTanks.cfg") + ": HTTP status 404");
  EXPECT_EQ(LocalText(), "root\n");
}

// Only what the config reader takes as the run would is saved; the local file stays otherwise.
TEST_F(UpdateCfgFileTest, AnswersTheReaderRefusesLeaveTheFile) {
  const std::pair<std::string, std::string> cases[] = {
      {"version = 9\r\n" + std::string("\0\x01\x02\xFF", 4),
       "cannot be read: line 2 holds a NUL byte"},
      {"\xEF\xBB\xBF <!DOCTYPE html>\nversion = 9\nroot\n", "is a web page, not a config file"},
      {"version = 9\nr\xC3\x28oot\n", "is not UTF-8 text"},
      {"version = 9\n\tname only\n", "lists no package or folder"},
  };
  for (const auto& [remote, why] : cases) {
    Local("version = 1\nroot\n");
    Remote(remote);
    std::string reason;
    EXPECT_EQ(UpdateCfgFile(local_.ProgramPath() + "MapTanks.cfg", reason), kCfgRefused);
    EXPECT_EQ(reason, server_.Url("/files/MapTanks.cfg") + ": the answer " + why);
    EXPECT_EQ(LocalText(), "version = 1\nroot\n");
  }
}

TEST_F(UpdateCfgFileTest, EmptyRemoteFileIsAFailure) {
  Remote("");
  EXPECT_EQ(Update(), kCfgFetchFailed);
  EXPECT_FALSE(std::filesystem::exists(local_.Native("MapTanks.cfg")));
}

TEST(UpdateCfgFileDownTest, UnreachableRepositoryLeavesTheFile) {
  test::TTempDir local;
  WriteText(local.Native("Camouflage.cfg"), "root\n");
  std::string url;
  {
    test::THttpTestServer stopped;
    url = stopped.Url("/files/");
  }
  setenv("PALLOGRAPH_CONFIGS_URL", url.c_str(), 1);
  EXPECT_EQ(UpdateCfgFile(local.ProgramPath() + "Camouflage.cfg"), kCfgFetchFailed);
  unsetenv("PALLOGRAPH_CONFIGS_URL");
  EXPECT_EQ(ReadText(local.Native("Camouflage.cfg")), "root\n");
}

TEST(ConfigsRepositoryUrlTest, EnvironmentOverridesTheBuildSetting) {
  unsetenv("PALLOGRAPH_CONFIGS_URL");
  const std::string built = ConfigsRepositoryUrl();
  EXPECT_EQ(built.rfind("https://", 0), 0u) << built;
  EXPECT_EQ(built.back(), '/');
  setenv("PALLOGRAPH_CONFIGS_URL", "http://127.0.0.1:8000/configs", 1);
  EXPECT_EQ(ConfigsRepositoryUrl(), "http://127.0.0.1:8000/configs/");
  setenv("PALLOGRAPH_CONFIGS_URL", "", 1);
  EXPECT_EQ(ConfigsRepositoryUrl(), built);
  unsetenv("PALLOGRAPH_CONFIGS_URL");
}

}  // namespace
}  // namespace pallograph
