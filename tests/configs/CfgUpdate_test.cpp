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
  Local("version = 9\n");
  Remote("version = 8\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  EXPECT_EQ(LocalText(), "version = 9\n");
}

TEST_F(UpdateCfgFileTest, MissingLocalFileIsAlwaysFetched) {
  Remote("root\n");
  EXPECT_EQ(Update(), kCfgUpdated);
  EXPECT_EQ(LocalText(), "root\r\n");
}

TEST_F(UpdateCfgFileTest, LocalFileWithoutUsableVersionIsReplaced) {
  for (const char* local : {"root\n", "version = 0\n", "version = -2\n", "version = x\n"}) {
    Local(local);
    Remote("other\n");
    EXPECT_EQ(Update(), kCfgUpdated) << local;
    EXPECT_EQ(LocalText(), "other\r\n");
  }
}

TEST_F(UpdateCfgFileTest, RemoteWithoutVersionNeverReplacesAVersionedFile) {
  Local("version = 1\n");
  Remote("# version = 5 in a comment does not count\nroot\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  EXPECT_EQ(LocalText(), "version = 1\n");
}

TEST_F(UpdateCfgFileTest, VersionRuleSeesIndentedAndEmbeddedVersionLines) {
  // The refresh looks at untrimmed lines: an indented line counts, a "#" in column 1 does not.
  Local("# version = 1\n  version = 7\n");
  Remote("root version = 7\n");
  EXPECT_EQ(Update(), kCfgCurrent);
  Remote("#version = 99\nxversion = 8\n");
  EXPECT_EQ(Update(), kCfgUpdated);
}

TEST_F(UpdateCfgFileTest, MissingRemoteFileIsAFailure) {
  Local("root\n");
  EXPECT_EQ(Update(), kCfgFetchFailed);
  EXPECT_EQ(LocalText(), "root\n");
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
