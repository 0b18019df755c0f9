// The program as a console program: help and version, command lines that are not understood,
// start-up failures that say what and where, folders that cannot be written, Ctrl+C and SIGTERM,
// and the lines that tell a user what a run did not do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

constexpr const char* kPrompts[] = {"[Press Y/N and ENTER]", "Press enter to exit"};

class ConsoleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fixture_ = std::make_unique<TE2EFixture>();
    client_ = fixture_->MakeClient();
    mods_ = TE2EFixture::ModsFolder(client_);
  }
  static void TearDownTestSuite() { fixture_.reset(); }
  void SetUp() override {
    fs::remove_all(mods_);
    fs::create_directories(mods_);
  }
  std::string Program() const { return fixture_->ProgramFolder() + "/pallograph"; }
  // A fresh folder below the fixture's.
  std::string Folder(const std::string& name) const {
    const std::string folder = fixture_->Folder() + "/" + name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
  }

  static std::unique_ptr<TE2EFixture> fixture_;
  static std::string client_;
  static std::string mods_;
};

std::unique_ptr<TE2EFixture> ConsoleTest::fixture_;
std::string ConsoleTest::client_;
std::string ConsoleTest::mods_;

TEST_F(ConsoleTest, HelpAndVersionAnswerAtOnceOnATerminal) {
  for (const char* word : {"--help", "-h", "-?", "/?", "--version"}) {
    const RTerminalResult r = RunOnTerminal({Program(), word}, {});
    EXPECT_EQ(r.Status, "0") << word << r.Shown;
    for (const char* prompt : kPrompts) EXPECT_FALSE(Contains(r.Shown, prompt)) << word;
    if (std::string(word) == "--version") {
      EXPECT_EQ(r.Shown,
                "Pallograph 2 for WorldOfTanks\r\nVer.2.1.3 Build 226 08/11/2021 (portable "
                "edition)\r\n");
    } else {
      EXPECT_TRUE(Contains(r.Shown,
                           "  > List of available command line arguments\r\n    "
                           "--silent-mode\t\t| User key, bool value\r\n"))
          << word << r.Shown;
    }
  }
}

TEST_F(ConsoleTest, CommandLinesNotUnderstoodEndWithStatus9AndNameTheWord) {
  const std::string help = RunProcess({Program(), "--help"}).Out;
  struct TCase {
    std::vector<std::string> Args;
    std::string Fault;
  };
  const std::vector<TCase> cases = {
      {{"--CCT-mdo=00FF00"}, "unknown option --CCT-mdo"},
      {{"-wot-path=" + client_, "--MEM-mod=FFFFFF"},
       "unknown option -wot-path=" + client_ +
           " (options begin with two dashes: --wot-path=" + client_ + ")"},
      {{client_, "--MEM-mod=FFFFFF"},
       "\"" + client_ +
           "\" belongs to no option (a client folder is given as --wot-path=" + client_ + ")"},
      {{"--wot-path=" + client_, "--MEM-mod=FFFFFF", "-h"}, "unknown option -h"},
      {{"--wot-path=" + client_, "--help"},
       "unknown option --help (--help and --version stand alone)"},
      {{"--wot-path=" + client_, "--enable-colours"},
       "unknown option --enable-colours (no switch has that name)"},
      {{"--wot-path=" + client_, "--MEM-mod"},
       "--mem-mod has no value (give it as --mem-mod=value)"},
      {{"--wot-path=" + client_, "-"},
       "command line not understood. Parse error at this position: -"},
      {{"--wot-path=" + client_, "--DPT-mod=GGGGGG"},
       "--DPT-mod=GGGGGG is not a colour: give six hexadecimal digits RRGGBB, such as FF8000 or "
       "#FF8000"},
      {{"--wot-path=" + client_, "--DPT-mod=F00"}, "--DPT-mod=F00 is not a colour"},
      {{"--wot-path=" + client_, "--inside-color=red", "--DPT-mod=FF0000"},
       "--inside-color=red is not a colour"},
      {{"--wot-path=" + client_, "--SpaceBin-mod=FF0000|F00"},
       "--SpaceBin-mod=FF0000|F00 is not a pair of colours: give RRGGBB|RRGGBB (tanks|trains, one "
       "side may be empty) or one RRGGBB for both"},
      {{"--wot-path=" + client_, "--CAMO-mod=4O"},
       "--CAMO-mod=4O is not a whole number: give 0..100"},
      {{"--wot-path=" + client_, "--CAMO-mod=abc"}, "--CAMO-mod=abc is not a whole number"},
      {{"--wot-path=" + client_, "--CAMO-mod=40.5"}, "--CAMO-mod=40.5 is not a whole number"},
      {{"--wot-path=" + client_, "--CAMO-mod=30", "--cpu-count=two"},
       "--cpu-count=two is not a whole number: give 1..50"},
      // An empty value would drop the mod or the folder without a word.
      {{"--wot-path=" + client_, "--DPT-mod="},
       "--DPT-mod= has an empty value (give it as --DPT-mod=value)"},
      {{"--wot-path=" + client_, "--MEM-mod=FFFFFF", "--SpaceBin-mod="},
       "--SpaceBin-mod= has an empty value"},
      {{"--wot-path=" + client_, "--CAMO-mod="}, "--CAMO-mod= has an empty value"},
      {{"--wot-path=" + client_, "--CAMO-mod=30", "--mods-path="},
       "--mods-path= has an empty value"},
      {{"--wot-path=" + client_, "--CAMO-mod=30", "--configs-path="},
       "--configs-path= has an empty value"},
      {{"--wot-path=" + client_, "--SpaceBin-mod=FF0000|00FF00|0000FF"},
       "--SpaceBin-mod=FF0000|00FF00|0000FF is not a pair of colours"},
      {{"--wot-path=" + client_, "--CAMO-mod=30", "--mods-path=" + mods_ + "\\x"},
       "--mods-path=" + mods_ +
           "\\x: a path with a backslash (\\) cannot be used on this system (the program takes "
           "it for a folder separator)"},
  };
  for (const TCase& c : cases) {
    const TProcessResult r = fixture_->Run(c.Args);
    const std::string what = c.Args.back();
    EXPECT_EQ(r.ExitCode, PosixExit(16009)) << what << r.Out << r.Err;
    EXPECT_TRUE(Contains(r.Err, "Pallograph: " + c.Fault)) << what << "\n" << r.Err;
    // The option list and nothing else: no question, no run.
    EXPECT_EQ(r.Out, help) << what;
    EXPECT_TRUE(ListTree(mods_).empty()) << what;
  }
  // On a terminal no prompt keeps it waiting.
  const RTerminalResult typo = fixture_->RunOnTerminal({"--CCT-mdo=00FF00"}, {});
  EXPECT_EQ(typo.Status, "9") << typo.Shown;
  for (const char* prompt : kPrompts) EXPECT_FALSE(Contains(typo.Shown, prompt));
}

TEST_F(ConsoleTest, ValuesTheColourRuleTakesStillWorkAndNumbersOutOfRangeAreClampedAloud) {
  const TProcessResult r = fixture_->Run(
      {"--wot-path=" + client_, "--MEM-mod=#12 34 56 78", "--SpaceBin-mod=ff0000|",
       "--DPT-mod=0x00FF80", "--CAMO-mod=150", "--cpu-count=0", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out,
                       "  > --cpu-count=0 is outside 1..50: 1 is used\n"
                       "  > --CAMO-mod=150 is outside 0..100: 100 is used\n\n"))
      << r.Out;
  EXPECT_EQ(ListTree(mods_).size(), 4u);
  // "0x" is no digit of the colour.
  TE2EFixture::Check({"solid", OnePackage(mods_, "mod.Pallograph.TankCrashTextures_"),
                      "res/vehicles/tank_crash.dds", "00FF80"});
  // A number too big for any integer is still a whole number, clamped.
  for (const char* count : {"99999999999999999999", "-99999999999999999999"}) {
    const TProcessResult dry =
        fixture_->Run({"--wot-path=" + client_, "--MEM-mod=FFFFFF",
                       std::string("--cpu-count=") + count, "--dry-run", "--auto-close-console"});
    EXPECT_EQ(dry.ExitCode, 0) << dry.Out << dry.Err;
    EXPECT_TRUE(Contains(dry.Out, std::string("  > --cpu-count=") + count + " is outside 1..50: " +
                                      (count[0] == '-' ? "1" : "50") + " is used\n"))
        << dry.Out;
  }
}

TEST_F(ConsoleTest, StartupFailuresNameThePathAndTheCause) {
  const std::string nosuch = fixture_->Folder() + "/nosuch";
  const std::string file = fixture_->Folder() + "/a file";
  WriteText(file, "x");
  const std::string empty = Folder("empty");
  // Just enough of a client to be found: an executable, and a version.xml too big to read.
  const std::string bare = Folder("bare");
  WriteText(bare + "/WorldOfTanks.exe", "not a program");
  const std::string big = Folder("big");
  WriteText(big + "/WorldOfTanks.exe", "not a program");
  WriteText(big + "/version.xml", "<version.xml/>");
  fs::resize_file(big + "/version.xml", 17 << 20);
  struct TCase {
    std::vector<std::string> Args;
    int Code;
    std::string Result;
    std::string Cause;
  };
  const std::vector<TCase> cases = {
      {{"--wot-path="},
       16001,
       "Not found!",
       "no client folder given: use --wot-path=<the "
       "client's folder>"},
      {{"--MEM-mod=FFFFFF"}, 16001, "Not found!", "no client found (searched: "},
      {{"--wot-path=" + nosuch}, 16003, "Not found!", "no such file or folder: " + nosuch},
      {{"--wot-path=~/nowhere"},
       16003,
       "Not found!",
       "/~/nowhere (a ~ after \"=\" is not expanded by the shell: write the full path or "
       "$HOME/...)"},
      {{"--wot-path=" + file},
       16003,
       "Not found!",
       "not a folder: " + file + " (give the client's folder or its WorldOfTanks.exe)"},
      {{"--wot-path=" + empty},
       16003,
       "Not found!",
       "WorldOfTanks.exe is not in " + empty + "/ (give the client's folder)"},
      {{"--wot-path=" + big},
       16002,
       "Error!",
       "the client file is too big: " + big + "/version.xml"},
      {{"--wot-path=" + bare},
       16004,
       "No pkg-files!",
       "the client has no folder " + bare + "/res/packages/"},
  };
  // Without --wot-path the client is searched for: in a home folder without one.
  const std::vector<std::string> no_clients = {"HOME=" + empty,
                                               "WINEPREFIX=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="};
  for (const TCase& c : cases) {
    std::vector<std::string> args = c.Args;
    args.push_back("--log");
    const TProcessResult r = fixture_->Run(args, "\n", true, no_clients);
    const std::string what = c.Args.front();
    EXPECT_EQ(r.ExitCode, PosixExit(c.Code)) << what << r.Out << r.Err;
    EXPECT_TRUE(Contains(r.Out, "  > Search and analysis of the game client... " + c.Result +
                                    "\n\n    Press enter to exit..."))
        << what << r.Out;
    EXPECT_TRUE(Contains(r.Err, c.Cause)) << what << "\n" << r.Err;
    const std::string log = ReadText(fixture_->LogFile());
    EXPECT_TRUE(Contains(log, ": Failure " + std::to_string(c.Code) + ": ")) << what;
    EXPECT_TRUE(Contains(log, c.Cause)) << what << log;
    EXPECT_TRUE(Contains(log, ": Exit code: " + std::to_string(c.Code) + "\n")) << what;
  }
}

TEST_F(ConsoleTest, FoldersThatCannotBeWrittenEndTheRunBeforeAnyPackage) {
  // Real conditions: the runs go as "nobody" when the tests run as root, who may write anywhere.
  std::vector<std::string> as_user;
  if (geteuid() == 0) {
    fs::permissions(fixture_->Folder(), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
    as_user = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  }
  const auto open_to_all = [](const std::string& folder) {
    fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
    return folder;
  };
  const auto read_only = [&](const std::string& folder) {
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    if (geteuid() != 0) fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    return folder;
  };
  const std::string home = open_to_all(Folder("home"));
  const std::string temp = open_to_all(Folder("temp"));
  const std::string out = open_to_all(Folder("out"));
  const std::string locked = read_only(Folder("locked"));
  const std::string missing = fixture_->Folder() + "/no temp";
  const std::string file = out + "/a file";
  struct TCase {
    std::vector<std::string> Args;
    std::string Temp;
    int Code;
    std::string Cause;
  };
  const std::vector<TCase> cases = {
      {{"--MEM-mod=FFFFFF", "--mods-path=" + locked},
       temp,
       16033,
       "the output folder cannot be written: " + locked + "/; nothing was built"},
      {{"--CAMO-mod=30", "--MEM-mod=FFFFFF", "--allinone-wotmod", "--mods-path=" + locked},
       temp,
       16093,
       "the output folder cannot be written: " + locked + "/"},
      {{"--MEM-mod=FFFFFF", "--without-wotmod", "--mods-path=" + locked},
       temp,
       16031,
       "the output folder cannot be written: " + locked + "/"},
      {{"--CTM-mod=FFFFFF", "--mods-path=" + out},
       locked,
       16041,
       "the temporary folder cannot be written: " + locked + "/; nothing was built"},
      {{"--CTM-mod=FFFFFF", "--mods-path=" + out},
       missing,
       16041,
       "the temporary folder does not exist: " + missing + "/"},
      {{"--SpaceBin-mod=FF0000", "--mods-path=" + file},
       temp,
       16053,
       "the output folder is a file: " + file + "; nothing was built"},
      {{"--MEM-mod=FFFFFF", "--mods-path=" + file + "/mods"},
       temp,
       16033,
       "the output folder cannot be made: " + file + "/mods/"},
  };
  // A dry run ends as the real run would, and neither makes a folder or writes a file.
  for (TCase c : cases) {
    for (const bool dry : {false, true}) {
      WriteText(file, "not a folder");
      if (dry) c.Args.push_back("--dry-run");
      std::vector<std::string> command = as_user;
      command.push_back(Program());
      command.push_back("--wot-path=" + client_);
      command.insert(command.end(), c.Args.begin(), c.Args.end());
      for (const char* offline : {"--no-send-statistic", "--no-update-configs"}) {
        command.push_back(offline);
      }
      const TProcessResult r = RunProcess(command, "\n", "", {"HOME=" + home, "TMPDIR=" + c.Temp});
      const std::string what = c.Args.front() + " " + c.Args.back() + " TMPDIR=" + c.Temp;
      EXPECT_EQ(r.ExitCode, PosixExit(c.Code)) << what << r.Out << r.Err;
      EXPECT_FALSE(Contains(r.Out, "Processing")) << what << r.Out;
      // Said once, on standard error.
      EXPECT_EQ(CountOf(r.Err, "Pallograph: "), 1u) << what << r.Err;
      EXPECT_TRUE(Contains(r.Err, "Pallograph: " + c.Cause)) << what << r.Err;
      EXPECT_EQ(ListTree(out), std::vector<std::string>{"a file"}) << what;
      EXPECT_EQ(ListTree(temp), std::vector<std::string>{}) << what;
    }
  }
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(ConsoleTest, CtrlCAndSigtermStopAtASafePointAndLeaveNothingBehind) {
  // A client of many map packages keeps the run busy long enough to be stopped in a stage.
  const std::string big = fixture_->Folder() + "/big client";
  RunPythonScript("scripts/large_client.py", {big, "--packages", "300", "--entries", "0"});
  const std::string mods = TE2EFixture::ModsFolder(big);
  const std::string partial =
      mods + "/mod.Pallograph.TankMapTextures_1.wotmod.{0BADC0DE-1234-4321-8765-0123456789AB}.tmp";
  // --remove-wotmod moved it aside; the stopped run must put it back.
  const std::string earlier = "mod.Pallograph.TankMapTextures_2.1.3.226.200101.000000.wotmod";
  struct TCase {
    std::string With;
    std::string Status;
    std::string Name;
  };
  for (const TCase& c :
       std::vector<TCase>{{"ctrl-c", "130", "Ctrl+C (SIGINT)"}, {"SIGTERM", "143", "SIGTERM"}}) {
    const std::string temp = Folder("stop temp");
    RTerminalRun how;
    how.Env = {"TMPDIR=" + temp};
    how.StopWith = c.With;
    how.StopWhenExists = temp + "/{*}/res";  // the run's temporary folder, once it has files
    how.Plant = partial;                     // a package being written at that moment
    WriteText(mods + "/" + earlier, "earlier");
    const RTerminalResult r = fixture_->RunOnTerminal(
        {"--wot-path=" + big, "--MEM-mod=FFFFFF", "--CAMO-mod=30", "--log", "--remove-wotmod"},
        how);
    EXPECT_TRUE(r.Stopped) << c.With << r.Shown;
    EXPECT_EQ(r.Status, c.Status) << c.With << r.Shown;
    EXPECT_TRUE(Contains(r.Shown, "Pallograph: stopped by " + c.Name +
                                      "; the temporary files and the output folder's lock "
                                      "were removed"))
        << r.Shown;
    EXPECT_FALSE(Contains(r.Shown, "Creating translucent camouflages")) << r.Shown;
    // No temporary folder or its mark, no partial package, no lock, no package of the stopped
    // stage; the earlier package is back.
    EXPECT_TRUE(fs::is_empty(temp)) << c.With;
    EXPECT_EQ(ListTree(mods), std::vector<std::string>{earlier}) << c.With;
    EXPECT_EQ(ReadText(mods + "/" + earlier), "earlier");
    EXPECT_TRUE(Contains(r.Shown,
                         "Pallograph: 1 earlier package was put back (the run was "
                         "stopped): " +
                             mods + "/"))
        << r.Shown;
    const std::string log = ReadText(fixture_->LogFile());
    EXPECT_TRUE(Contains(log, ": Stopped by " + c.Name + "\n")) << log;
    EXPECT_TRUE(Contains(log, ": Exit code: " + c.Status + "\n")) << c.With;
  }
  // At a prompt, Ctrl+C ends the program at once.
  RTerminalRun how;
  how.StopWith = "ctrl-c";
  how.StopOnText = "[Press Y/N and ENTER]";
  const RTerminalResult r = RunOnTerminal({Program()}, how);
  EXPECT_EQ(r.Status, "130") << r.Shown;
  EXPECT_TRUE(Contains(r.Shown, "Pallograph: stopped by Ctrl+C (SIGINT)")) << r.Shown;
}

TEST_F(ConsoleTest, RunsSayWhenNoModIsChosenAndWhenEarlierPackagesPileUp) {
  TProcessResult r = fixture_->Run({"--wot-path=" + client_, "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_TRUE(Contains(r.Out,
                       "  > No mod was chosen, nothing is built: give one or more of --DPT-mod, "
                       "--CCT-mod, --MEM-mod, --CTM-mod, --SpaceBin-mod, --CAMO-mod\n"))
      << r.Out;
  // A clean-up run is a run with a purpose.
  r = fixture_->Run({"--wot-path=" + client_, "--remove-wotmod", "--auto-close-console"});
  EXPECT_FALSE(Contains(r.Out, "No mod was chosen")) << r.Out;

  WriteText(mods_ + "/mod.Pallograph.Camouflages_2.1.3.226.200101.000000.wotmod", "earlier");
  WriteText(mods_ + "/old/mod.pallograph.camouflages_2.1.3.226.200102.000000.wotmod", "earlier");
  WriteText(mods_ + "/mod.Pallograph.TankMapTextures_2.1.3.226.200101.000000.wotmod", "other");
  r = fixture_->Run({"--wot-path=" + client_, "--CAMO-mod=30", "--auto-close-console"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "    Earlier packages of this mod in " + mods_ +
                                  "/: 2 (the game loads them all; --remove-wotmod deletes them "
                                  "first)\n    Delete temporary files... OK"))
      << r.Out;
  r = fixture_->Run(
      {"--wot-path=" + client_, "--CAMO-mod=30", "--remove-wotmod", "--auto-close-console"});
  EXPECT_FALSE(Contains(r.Out, "Earlier packages")) << r.Out;
  EXPECT_EQ(ListTree(mods_).size(), 1u);
}

}  // namespace
}  // namespace pallograph::test
