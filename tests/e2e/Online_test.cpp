// The online steps of a run against loopback servers: configuration refresh, usage statistics,
// and the update check of the interactive help.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "e2e/E2ESupport.h"
#include "online/LoopbackServer.h"
#include "platform/System.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

// Sets environment variables for the processes a test starts, and restores them at the end.
class TEnvironment {
 public:
  void Set(const std::string& name, const std::string& value) {
    Remember(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Remember(name);
    unsetenv(name.c_str());
  }
  ~TEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value.has_value()) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void Remember(const std::string& name) {
    if (saved_.count(name) != 0) return;
    const char* value = std::getenv(name.c_str());
    saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// The parameters of a form body, decoded by an independent implementation (Python's).
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
  const TProcessResult r = RunPythonCode(
      "import sys, urllib.parse\n"
      "for k, v in urllib.parse.parse_qsl(sys.argv[1], keep_blank_values=True):\n"
      "    print(k + '\\t' + v)\n",
      {body});
  std::vector<std::pair<std::string, std::string>> parameters;
  std::istringstream lines(r.Out);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    parameters.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  return parameters;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::string>>& p) {
  std::vector<std::string> names;
  for (const auto& [name, value] : p) names.push_back(name);
  return names;
}

// "ec/ea/el" of an event, "utc/utv" of a timing.
std::string Summary(const std::vector<std::pair<std::string, std::string>>& p) {
  std::map<std::string, std::string> m(p.begin(), p.end());
  if (m["t"] == "timing") return "timing " + m["utc"] + "/" + m["utv"];
  return m["ec"] + "/" + m["ea"] + "/" + m["el"];
}

class OnlineTest : public testing::Test {
 protected:
  OnlineTest() {
    // Nothing may leave the machine: every server is a loopback one.
    env_.Set("PALLOGRAPH_CONFIGS_URL", configs_.Url("/"));
    env_.Set("PALLOGRAPH_UPDATE_URL", configs_.Url("/"));
    env_.Set("PALLOGRAPH_RELEASE_PAGE", configs_.Url("/releases/latest"));
    env_.Set("PALLOGRAPH_STATS_HOST", collector_.Host());
    env_.Set("PALLOGRAPH_STATS_TID", "UA-11111111-1");
  }

  std::vector<std::vector<std::pair<std::string, std::string>>> Hits() const {
    std::vector<std::vector<std::pair<std::string, std::string>>> hits;
    for (const auto& post : collector_.Posts()) hits.push_back(DecodeForm(post.Body));
    return hits;
  }

  TEnvironment env_;
  TLoopbackServer configs_;
  TLoopbackServer collector_;
  TE2EFixture fixture_{false};
};

TEST_F(OnlineTest, MemModRunSendsStartEventOptionEventAndFullTime) {
  ASSERT_TRUE(collector_.Running());
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run({"--wot-path=" + client, "--MEM-mod=FFFFFF"}, "\n", false);
  ASSERT_NE(r.ExitCode, -1) << r.Out;
  const auto hits = Hits();
  ASSERT_EQ(hits.size(), 3u) << r.Out;
  EXPECT_EQ(Summary(hits[0]), "Application/Run/" + OperatingSystemName());
  EXPECT_EQ(Summary(hits[1]), "Args/MEM-mod/FFFFFF");
  EXPECT_EQ(Summary(hits[2]), "timing Processing/FullTime");
  const std::vector<std::string> head = {"v", "tid", "cid", "an", "av", "aid", "aiid", "t"};
  std::vector<std::string> event = head;
  event.insert(event.end(), {"ec", "ea", "el"});
  std::vector<std::string> timing = head;
  timing.insert(timing.end(), {"utc", "utv", "utt"});
  EXPECT_EQ(Names(hits[0]), event);
  EXPECT_EQ(Names(hits[1]), event);
  EXPECT_EQ(Names(hits[2]), timing);
  std::map<std::string, std::string> first(hits[0].begin(), hits[0].end());
  EXPECT_EQ(first["v"], "1");
  EXPECT_EQ(first["tid"], "UA-11111111-1");
  EXPECT_EQ(first["an"], "Pallograph2");
  EXPECT_EQ(first["av"], "2.1.3");
  EXPECT_EQ(first["aid"], "226");
  EXPECT_EQ(collector_.Posts()[0].UserAgent, "Pallograph2/2.1.3");
  std::map<std::string, std::string> last(hits[2].begin(), hits[2].end());
  EXPECT_GE(std::stoll(last["utt"]), 0);
}

TEST_F(OnlineTest, OptionEventsCarryRawOrClampedValuesInOrder) {
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--no-update-configs", "--auto-close-console", "--subfolder-wotmod",
       "--inside-color=#12 34 56", "--without-hd", "--cpu-count=99", "--CAMO-mod=150"},
      "", false);
  ASSERT_NE(r.ExitCode, -1) << r.Out;
  std::vector<std::string> summaries;
  for (const auto& hit : Hits()) summaries.push_back(Summary(hit));
  const std::vector<std::string> expected = {"Application/Run/" + OperatingSystemName(),
                                             "Args/auto-close-console/On",
                                             "Args/subfolder-wotmod/On",
                                             "Args/inside-color/#12 34 56",
                                             "Args/without-hd/On",
                                             "Args/CAMO-mod/100",
                                             "Args/cpu-count/50",
                                             "timing Processing/FullTime"};
  EXPECT_EQ(summaries, expected) << r.Out;
}

TEST_F(OnlineTest, NoSendStatisticOrEmptyTrackingIdSendsNothing) {
  const std::string client = fixture_.MakeClient();
  TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--MEM-mod=FFFFFF", "--no-send-statistic", "--no-update-configs"},
      "\n", false);
  ASSERT_NE(r.ExitCode, -1) << r.Out;
  env_.Unset("PALLOGRAPH_STATS_TID");
  r = fixture_.Run({"--wot-path=" + client, "--no-update-configs", "--auto-close-console"}, "",
                   false);
  ASSERT_NE(r.ExitCode, -1) << r.Out;
  EXPECT_TRUE(collector_.Posts().empty());
}

TEST_F(OnlineTest, ConfigRefreshAtStartPrintsOneLinePerFile) {
  const std::string folder = fixture_.ProgramFolder();
  WriteText(folder + "/CrashTanks.cfg", "version = 1\r\nlocal\r\n");
  WriteText(folder + "/MapTanks.cfg", "version = 3\r\nlocal\r\n");
  WriteText(folder + "/MapTrains.cfg", "version = 5\r\nlocal\r\n");
  WriteText(folder + "/Camouflage.cfg", "version = 1\r\nlocal\r\n");
  configs_.AddFile("CrashTanks.cfg", "version = 2\nroot\\\n\tname.dds\n");
  configs_.AddFile("MapTanks.cfg", "version = 3\nsame\n");
  configs_.AddFile("MapTrains.cfg", "version = 2\nolder\n");
  // Camouflage.cfg is missing on the server: 404.
  const std::string client = fixture_.MakeClient();
  const TProcessResult r = fixture_.Run(
      {"--wot-path=" + client, "--no-send-statistic", "--auto-close-console"}, "", false);
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_TRUE(Contains(r.Out,
                       "  > Check and download configs\n"
                       "          CrashTanks.cfg...   Updated\n"
                       "          MapTanks.cfg...     OK\n"
                       "          MapTrains.cfg...    OK\n"
                       "          Camouflage.cfg...   Disconnect\n"
                       "\n"
                       "  > Search and analysis of the game client... OK"))
      << r.Out;
  EXPECT_TRUE(Contains(ReadText(folder + "/CrashTanks.cfg"), "\tname.dds"));
  EXPECT_EQ(ReadText(folder + "/MapTrains.cfg"), "version = 5\r\nlocal\r\n");
  EXPECT_EQ(ReadText(folder + "/Camouflage.cfg"), "version = 1\r\nlocal\r\n");
  EXPECT_TRUE(Contains(r.Err, "Pallograph: Camouflage.cfg not refreshed: " +
                                  configs_.Url("/Camouflage.cfg") + ": HTTP status 404\n"))
      << r.Err;

  // A file missing locally is fetched; --no-update-configs skips the whole section.
  fs::remove(folder + "/MapTanks.cfg");
  const TProcessResult skipped = fixture_.Run({"--wot-path=" + client, "--no-send-statistic",
                                               "--no-update-configs", "--auto-close-console"},
                                              "", false);
  EXPECT_FALSE(Contains(skipped.Out, "Check and download configs"));
  EXPECT_FALSE(fs::exists(folder + "/MapTanks.cfg"));
  const TProcessResult again = fixture_.Run(
      {"--wot-path=" + client, "--no-send-statistic", "--auto-close-console"}, "", false);
  EXPECT_TRUE(Contains(again.Out, "          MapTanks.cfg...     Updated\n")) << again.Out;
  EXPECT_TRUE(Contains(ReadText(folder + "/MapTanks.cfg"), "same"));
}

// Config answers that are no usable config, and servers that give no answer in time: every local
// file stays as it was with nothing left beside it, its line says "Refused" or "Disconnect", and
// standard error and the run log say why and where. Four files a run.
TEST_F(OnlineTest, ConfigAnswersThatAreNoUsableConfigLeaveTheLocalFiles) {
  env_.Set("PALLOGRAPH_DOWNLOAD_TIMEOUT", "1");
  std::string garbage = "version = 99\r\n";
  for (int i = 0; i < 1024; ++i) garbage += static_cast<char>(i % 256);
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("version = 99\r\nroot\r\n")) utf16 += std::string(1, c) + '\0';
  struct TCase {
    std::string Body, Mode, Word, Why;
  };
  const std::vector<TCase> cases = {
      {garbage, "", "Refused", "the answer cannot be read: line 2 holds a NUL byte"},
      {"version = 99\r\n# nothing listed\r\n", "", "Refused",
       "the answer lists no package or folder"},
      {"<<<<<<< HEAD\nversion = 98\nroot\n=======\nversion = 99\nother\n>>>>>>> fix\n", "",
       "Refused", "the answer cannot be read: line 1 is a merge-conflict marker"},
      {"<!DOCTYPE html>\n<html>\nversion = 99\n</html>\n", "", "Refused",
       "the answer is a web page, not a config file"},
      {"", "size 20000000", "Refused", "the answer is larger than 16 MiB"},
      {utf16, "", "Refused",
       "the answer cannot be read: it is written in UTF-16 (save it as UTF-8 text)"},
      {"", "status 404", "Disconnect", "HTTP status 404"},
      {"", "status 500", "Disconnect", "HTTP status 500"},
      {"", "truncated", "Disconnect", "transfer closed with 980 bytes remaining"},
      {"", "trickle", "Disconnect", "no complete answer within 1 s"},
      {"", "silent", "Disconnect", "no complete answer within 1 s"},
      {"", "redirect-loop", "Disconnect", "too many redirects (more than 10; a redirect loop?)"},
  };
  const std::string folder = fixture_.ProgramFolder();
  const std::string client = fixture_.MakeClient();
  const std::string files[] = {"CrashTanks.cfg", "MapTanks.cfg", "MapTrains.cfg", "Camouflage.cfg"};
  const std::string local = "version = 1\r\nlocal\r\n";
  for (size_t first = 0; first < cases.size(); first += 4) {
    for (size_t i = 0; i < 4; ++i) {
      const TCase& c = cases[first + i];
      WriteText(folder + "/" + files[i], local);
      configs_.AddFile(files[i], c.Body);
      if (c.Mode.empty()) {
        configs_.ClearMode(files[i]);
      } else {
        configs_.SetMode(files[i], c.Mode);
      }
    }
    fs::remove(fixture_.LogFile());
    const TProcessResult r = fixture_.Run(
        {"--wot-path=" + client, "--no-send-statistic", "--auto-close-console", "--log"}, "",
        false);
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    const std::string log = ReadText(fixture_.LogFile());
    for (size_t i = 0; i < 4; ++i) {
      const TCase& c = cases[first + i];
      SCOPED_TRACE(files[i] + " " + c.Mode + " " + c.Why);
      const std::string label = files[i] + "... ";
      EXPECT_TRUE(Contains(
          r.Out, "          " + label + std::string(20 - label.size(), ' ') + c.Word + "\n"))
          << r.Out;
      const std::string why =
          files[i] + " not refreshed: " + configs_.Url("/") + files[i] + ": " + c.Why;
      EXPECT_TRUE(Contains(r.Err, "Pallograph: " + why)) << r.Err;
      EXPECT_TRUE(Contains(log, why)) << log;
      EXPECT_EQ(ReadText(folder + "/" + files[i]), local);
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
  }
}

// The update check against answers that are no version file, servers that give no answer in
// time, and notes that are too long or hold terminal controls: the message says what happened,
// standard error says why and where, and no control character reaches the terminal.
TEST_F(OnlineTest, UpdateCheckSaysWhyItFoundNothingAndShowsNoControls) {
  env_.Set("PALLOGRAPH_DOWNLOAD_TIMEOUT", "1");
  const std::string unreadable = "[Pallograph2] The answer of the update server could not be read";
  const std::string notReachable = "[Pallograph2] Server was not found or is not available";
  const std::string found = "[Pallograph2] Found a new version of the program: 2.2.0.\n\n";
  const struct {
    std::string Version, VersionMode, Notes, NotesMode, Shown, Why;
  } cases[] = {
      {std::string("\x1F\x8B\x08\0\xFF\x1B[2J", 9), "", "", "", unreadable,
       "Pallograph.upd: the answer is not UTF-8 text"},
      {"<!DOCTYPE html>\n<html><body>227</body></html>\n", "", "", "", unreadable,
       "Pallograph.upd: the answer is no version file (its first line is no build number)"},
      {"", "status 404", "", "", notReachable, "Pallograph.upd: HTTP status 404"},
      {"", "trickle", "", "", notReachable, "Pallograph.upd: no complete answer within 1 s"},
      {"227\r\n2.2.0\r\n", "", "- notes\x1B]0;owned\x07\x1B[2J end", "",
       found + "- notes]0;owned[2J end\n\nYou can", ""},
      {"227\r\n2.2.0\r\n", "", "", "size 90000000", found + "You can",
       "UpdateInfo_en.upd: the answer is larger than 16 KiB; the change notes are left out"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Shown + " " + c.Why);
    configs_.AddFile("Pallograph.upd", c.Version);
    configs_.AddFile("UpdateInfo_en.upd", c.Notes);
    for (const auto& [name, mode] : {std::pair{"Pallograph.upd", c.VersionMode},
                                     std::pair{"UpdateInfo_en.upd", c.NotesMode}}) {
      if (mode.empty()) {
        configs_.ClearMode(name);
      } else {
        configs_.SetMode(name, mode);
      }
    }
    // Update: yes; configs: no; enter.
    const TProcessResult r = fixture_.Run({}, "y\nn\n\n", false);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(Contains(r.Err, c.Shown)) << r.Err;
    EXPECT_FALSE(Contains(r.Err, "latest version")) << r.Err;
    if (c.Why.empty()) {
      EXPECT_FALSE(Contains(r.Err, "Pallograph: update check")) << r.Err;
    } else {
      EXPECT_TRUE(Contains(r.Err, "Pallograph: update check: " + configs_.Url("/") + c.Why))
          << r.Err;
    }
    EXPECT_EQ((r.Out + r.Err).find_first_of("\x1B\x07"), std::string::npos) << r.Err;
  }
}

// A stop request while a server keeps silent ends the run within a second: in the config
// refresh (also while the statistics collector keeps silent) and in the update check's wait.
TEST_F(OnlineTest, StopRequestsEndTheDownloadsAtOnce) {
  configs_.SetMode("CrashTanks.cfg", "silent");
  configs_.SetMode("Pallograph.upd", "silent");
  configs_.SetMode("collect", "silent");
  env_.Set("PALLOGRAPH_STATS_HOST", configs_.Host());
  const std::string program = fixture_.ProgramFolder() + "/pallograph";
  // The stop comes before the client is looked for.
  const std::string client = fixture_.Folder() + "/no client";
  const std::vector<std::string> refresh = {program, "--wot-path=" + client, "--no-send-statistic"};
  const struct {
    std::vector<std::string> Command;
    std::string Input, Asked, With, Status;
  } cases[] = {
      {refresh, "", configs_.AskedMark("CrashTanks.cfg"), "ctrl-c", "130"},
      {refresh, "", configs_.AskedMark("CrashTanks.cfg"), "SIGTERM", "143"},
      {{program, "--wot-path=" + client},
       "",
       configs_.AskedMark("CrashTanks.cfg"),
       "ctrl-c",
       "130"},
      {{program}, "y\n", configs_.AskedMark("Pallograph.upd"), "ctrl-c", "130"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Asked + " " + c.With);
    fs::remove(c.Asked);
    RTerminalRun how;
    how.Input = c.Input;
    how.StopWith = c.With;
    how.StopWhenExists = c.Asked;
    how.TimeoutSeconds = 15;  // the default download limit is longer
    const RTerminalResult r = RunOnTerminal(c.Command, how);
    EXPECT_TRUE(r.Stopped) << r.Shown;
    EXPECT_EQ(r.Status, c.Status) << r.Shown;
    EXPECT_LT(r.SecondsAfterStop, 1.0) << r.Shown;
    EXPECT_TRUE(Contains(r.Shown, "Pallograph: stopped by ")) << r.Shown;
  }
}

TEST_F(OnlineTest, HelpPromptsCheckForUpdateAndRefreshConfigs) {
  configs_.AddFile("Pallograph.upd", "227\r\n2.2.0\r\nPallograph_2.2.0.zip\r\n");
  configs_.AddFile("UpdateInfo_en.upd", "- new stage");
  configs_.AddFile("CrashTanks.cfg", "version = 4\nroot\n");
  // Update: yes; download: no; configs: yes; enter.
  const TProcessResult r = fixture_.Run({}, "y\nn\ny\n\n", false);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(Contains(r.Err,
                       "[Pallograph2] Found a new version of the program: 2.2.0, start "
                       "downloading?\n\n- new stage\n\n"))
      << r.Err;
  EXPECT_TRUE(Contains(r.Out,
                       "          CrashTanks.cfg...   Updated\n"
                       "          MapTanks.cfg...     Disconnect\n"));
  EXPECT_TRUE(Contains(r.Out, "    Press enter to exit..."));
  EXPECT_EQ(ReadText(fixture_.ProgramFolder() + "/CrashTanks.cfg"), "version = 4\r\nroot\r\n");
  // No statistics without options.
  EXPECT_TRUE(collector_.Posts().empty());
}

TEST_F(OnlineTest, StartingTheDownloadEndsTheProgram) {
  configs_.AddFile("Pallograph.upd", "300\n3.0\nPallograph_3.0.zip\n");
  // The desktop's "open" command, replaced by one that records its argument.
  TTempDir bin;
  const std::string opened = bin.Native("opened.txt");
  WriteText(bin.Native("xdg-open"), "#!/bin/sh\necho \"$1\" > '" + opened + "'\n");
  chmod(bin.Native("xdg-open").c_str(), 0755);
  env_.Set("PATH", bin.Path() + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : ""));
  const TProcessResult r = fixture_.Run({}, "y\ny\n", false);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_FALSE(Contains(r.Out, "Check and download configs?"));
  EXPECT_FALSE(Contains(r.Out, "Press enter to exit"));
  for (int i = 0; i < 100 && !fs::exists(opened); ++i) usleep(20 * 1000);
  // The download the version file names is the Windows program; here the release page opens.
  EXPECT_EQ(ReadText(opened), configs_.Url("/releases/latest") + "\n");
}

}  // namespace
}  // namespace pallograph::test
