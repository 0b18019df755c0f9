// The installed program (cmake --install): run by a user who may not write its prefix, it keeps
// its configs and run log in the user's folders and builds mods as the portable program does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

class InstalledTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string build = fs::path(PallographBinary()).parent_path().string();
    const TProcessResult installed =
        RunProcess({"cmake", "--install", build, "--prefix", prefix_}, "", "", {});
    ASSERT_EQ(installed.ExitCode, 0) << installed.Out << installed.Err;
    client_ = fixture_.MakeClient();
    for (const std::string& folder : {home_, temp_}) fs::create_directories(folder);
    if (geteuid() == 0) {
      // Root may write anywhere: the runs go as "nobody", who owns only the run's folders.
      fs::permissions(fixture_.Folder(), fs::perms::owner_all | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read |
                                             fs::perms::others_exec);
      for (const std::string& folder : {client_, home_, temp_}) {
        ASSERT_EQ(RunProcess({"chown", "-R", "nobody", folder}).ExitCode, 0);
      }
      as_user_ = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    } else {
      fs::permissions(prefix_ + "/bin",
                      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
    }
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(prefix_ + "/bin", fs::perms::owner_all, fs::perm_options::add, ec);
  }
  TProcessResult Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                     bool log = true) const {
    std::vector<std::string> all = as_user_;
    all.push_back(prefix_ + "/bin/pallograph");
    all.push_back("--wot-path=" + client_);
    all.insert(all.end(), args.begin(), args.end());
    for (const char* fixed : {"--no-send-statistic", "--auto-close-console"}) all.push_back(fixed);
    if (log) all.push_back("--log");
    std::vector<std::string> all_env{"HOME=" + home_, "TMPDIR=" + temp_};
    all_env.insert(all_env.end(), env.begin(), env.end());
    return RunProcess(all, "", "", all_env);
  }

  TE2EFixture fixture_;
  std::string prefix_ = fixture_.Folder() + "/prefix";
  std::string home_ = fixture_.Folder() + "/home";
  std::string temp_ = fixture_.Folder() + "/tmp";
  std::string client_;
  std::vector<std::string> as_user_;
};

TEST_F(InstalledTest, KeepsConfigsAndLogInTheUsersFolders) {
  const std::vector<std::string> prefix_before = ListTree(prefix_);
  // A dry run writes nothing, also in a fresh home folder: it reads the shipped configs.
  TProcessResult r = Run({"--MEM-mod=FFFFFF", "--dry-run"}, {}, false);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "    Dry run: 7 files would be changed; nothing was written\n"))
      << r.Out;
  EXPECT_TRUE(fs::is_empty(home_));
  EXPECT_TRUE(fs::is_empty(temp_));

  // A configs server that refuses: the refresh runs against the user's copies.
  r = Run({"--MEM-mod=FFFFFF"}, {"PALLOGRAPH_CONFIGS_URL=http://127.0.0.1:9/"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "          MapTanks.cfg...     Disconnect\n")) << r.Out;
  EXPECT_EQ(ListTree(TE2EFixture::ModsFolder(client_)).size(), 1u);
  // Configs seeded from share/pallograph/configs, the log in ~/.local/state/pallograph.
  EXPECT_EQ(ReadText(home_ + "/.config/pallograph/MapTanks.cfg"),
            ReadText(prefix_ + "/share/pallograph/configs/MapTanks.cfg"));
  EXPECT_EQ(ListTree(home_ + "/.config/pallograph").size(), 4u);
  const std::string log = ReadText(home_ + "/.local/state/pallograph/Pallograph2.log");
  EXPECT_TRUE(Contains(log, "Configs Path: " + home_ + "/.config/pallograph/")) << log;
  EXPECT_EQ(ListTree(prefix_), prefix_before);

  // The XDG variables move both; --configs-path still wins over them.
  const std::string xdg = fixture_.Folder() + "/home/xdg";
  r = Run({"--CAMO-mod=30", "--no-update-configs"},
          {"XDG_CONFIG_HOME=" + xdg + "/config", "XDG_STATE_HOME=" + xdg + "/state"});
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(fs::exists(xdg + "/config/pallograph/Camouflage.cfg"));
  EXPECT_TRUE(fs::exists(xdg + "/state/pallograph/Pallograph2.log"));
  const std::string empty_configs = fixture_.Folder() + "/home/none";
  fs::create_directories(empty_configs);
  r = Run({"--MEM-mod=FFFFFF", "--no-update-configs", "--configs-path=" + empty_configs});
  EXPECT_EQ(r.ExitCode, PosixExit(16006)) << r.Out;
  EXPECT_EQ(ListTree(prefix_), prefix_before);
}

TEST_F(InstalledTest, WithoutAnEnvironmentTheUsersHomeComesFromThePasswordDatabase) {
  // As root the run goes as "nobody", whose home in the password database does not exist: the
  // shipped configs are read where they lie and the log that cannot be written is said once.
  // (Another user's home would be a real one, which the test must not write to.)
  if (as_user_.empty()) GTEST_SKIP() << "needs root to run as a user without a home";
  std::vector<std::string> command = as_user_;
  for (const std::string& word :
       {std::string("env"), std::string("-i"), prefix_ + "/bin/pallograph", "--wot-path=" + client_,
        std::string("--MEM-mod=FFFFFF"), std::string("--log"), std::string("--no-send-statistic"),
        std::string("--no-update-configs"), std::string("--auto-close-console")}) {
    command.push_back(word);
  }
  const std::vector<std::string> prefix_before = ListTree(prefix_);
  const TProcessResult r = RunProcess(command);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "Ver.2.1.3 Build 226 08/11/2021 (installed edition)\n")) << r.Out;
  EXPECT_EQ(r.Err,
            "Pallograph: the run log cannot be written: "
            "/nonexistent/.local/state/pallograph/Pallograph2.log\n");
  EXPECT_EQ(ListTree(TE2EFixture::ModsFolder(client_)).size(), 1u);
  EXPECT_EQ(ListTree(prefix_), prefix_before);
}

}  // namespace
}  // namespace pallograph::test
