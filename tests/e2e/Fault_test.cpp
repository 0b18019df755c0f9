// Runs of the real program under faults: a full disk, a denied output folder, a temporary folder
// or a package that goes away during the run, servers that stall or refuse. Every run must end
// with its exit code and message, leave no partial package behind, write nothing outside the
// run's folders and remove its temporary folder. File faults come from PALLOGRAPH_FAULT (see
// platform/FaultInjection.h), network faults from real loopback sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "e2e/E2ESupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {
namespace {

// Every file below a folder with its size: what a run must leave unchanged.
std::map<std::string, uintmax_t> Snapshot(const std::string& folder) {
  std::map<std::string, uintmax_t> files;
  for (const std::string& name : ListTree(folder)) files[name] = fs::file_size(folder + "/" + name);
  return files;
}

// A listening loopback socket. With `accept_and_stall` the connections are taken by the kernel
// and never answered; otherwise the socket is closed at once, so its port refuses connections.
class TLoopbackSocket {
 public:
  explicit TLoopbackSocket(bool accept_and_stall) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no loopback socket";
      return;
    }
    port_ = ntohs(address.sin_port);
    if (!accept_and_stall) Close();
  }
  ~TLoopbackSocket() { Close(); }
  TLoopbackSocket(const TLoopbackSocket&) = delete;
  TLoopbackSocket& operator=(const TLoopbackSocket&) = delete;

  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
  int port_ = 0;
};

class FaultTest : public testing::Test {
 protected:
  // One demo client for the whole suite; each test works on its own copy.
  static void SetUpTestSuite() {
    source_ = std::make_unique<TE2EFixture>(false);
    source_->MakeClient();
  }
  static void TearDownTestSuite() { source_.reset(); }

  FaultTest() {
    fs::copy(source_->Folder() + "/client", client_,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(temp_);
    client_before_ = Snapshot(client_);
    program_before_ = Snapshot(fixture_.ProgramFolder());
  }

  // Runs the program with the fault rules and the run's own temporary folder.
  // Offline (no statistics, no config refresh) unless `env` is given: then the test names the
  // online switches itself.
  TProcessResult Run(const std::string& faults, std::vector<std::string> args,
                     std::vector<std::string> env = {}) {
    const bool offline = env.empty();
    args.insert(args.begin(), "--wot-path=" + client_);
    args.push_back("--log");
    fs::remove(fixture_.LogFile());
    env.push_back("TMPDIR=" + temp_);
    env.push_back("PALLOGRAPH_FAULT=" + faults);
    const auto start = std::chrono::steady_clock::now();
    TProcessResult r = fixture_.Run(args, "\n", offline, env);
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  }

  std::string Mods() const { return TE2EFixture::ModsFolder(client_); }

  // What every run must leave: its temporary folder gone, no half-written package (or any
  // other file) in the mods folder but `packages`, the rest of the client and the program's
  // folder as they were.
  void ExpectCleanEnd(const std::vector<std::string>& packages) {
    EXPECT_TRUE(fs::is_empty(temp_)) << "left in the temporary folder: " << ListTree(temp_).size();
    std::vector<std::string> found = ListTree(Mods());
    EXPECT_EQ(found.size(), packages.size());
    for (size_t i = 0; i < found.size() && i < packages.size(); ++i) {
      EXPECT_EQ(found[i].rfind(packages[i], 0), 0u) << found[i];
      EXPECT_EQ(fs::path(found[i]).extension(), ".wotmod") << found[i];
    }
    std::map<std::string, uintmax_t> after = Snapshot(client_);
    for (auto it = after.begin(); it != after.end();) {
      it = it->first.rfind("mods/", 0) == 0 ? after.erase(it) : std::next(it);
    }
    EXPECT_EQ(after, changed_client_.value_or(client_before_));
    std::map<std::string, uintmax_t> program = Snapshot(fixture_.ProgramFolder());
    program.erase("Pallograph2.log");
    EXPECT_EQ(program, program_before_);
  }

  // The failure lines of the last run's log ("Failure <code>: <cause>"), which must name the
  // cause: every `part` must appear in the line of `code`.
  void ExpectCause(int code, const std::vector<std::string>& parts) {
    const std::string log = ReadText(fixture_.LogFile());
    const std::string head = "Failure " + std::to_string(code) + ": ";
    const size_t at = log.find(head);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(at, log.find('\n', at) - at);
    for (const std::string& part : parts) EXPECT_TRUE(Contains(line, part)) << line;
  }

  static std::unique_ptr<TE2EFixture> source_;
  TE2EFixture fixture_;
  std::string client_ = fixture_.Folder() + "/client";
  std::string temp_ = fixture_.Folder() + "/tmp";
  std::map<std::string, uintmax_t> client_before_;
  std::map<std::string, uintmax_t> program_before_;
  std::optional<std::map<std::string, uintmax_t>> changed_client_;
  double seconds_ = 0;
};

std::unique_ptr<TE2EFixture> FaultTest::source_;

TEST_F(FaultTest, DiskFullWhilePackingLeavesNoPartialPackage) {
  const TProcessResult r = Run("full:20000@.wotmod", {"--MEM-mod=FFFFFF", "--CTM-mod=00FFFF"});
  EXPECT_EQ(r.ExitCode, PosixExit(16033)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out,
                       "    Files packing... Failed to create wotmod-file!\n"
                       "    Delete temporary files... OK\n"))
      << r.Out;
  ExpectCause(16033, {"Packing \"", "Cannot write \"", "(No space left on device)"});
  ExpectCause(16043, {"(No space left on device)"});
  ExpectCleanEnd({});
}

// --remove-wotmod deletes the earlier packages only once the new ones are in place: a packing
// that fails puts back those of its mod (and, at the end, every one no new package replaced).
TEST_F(FaultTest, EarlierPackagesSurviveAFailedPacking) {
  const std::vector<std::string> earlier = {
      "mod.Pallograph.TankMapTextures_2.1.3.226.200101.000000.wotmod",
      "mod.Pallograph.Camouflages_2.1.3.226.200101.000000.wotmod",
      "old/mod.Pallograph.TankCrashTextures_2.1.3.226.200101.000000.wotmod"};
  struct TCase {
    std::string Faults;
    std::vector<std::string> Args;
    int Code;
    std::vector<bool> Kept;  // per earlier package
    std::vector<std::string> New;
  };
  const std::vector<TCase> cases = {
      {"full:20000@.wotmod", {"--MEM-mod=FFFFFF", "--CAMO-mod=30"}, 16033, {true, true, true}, {}},
      // The map package is in place, the camouflage package cannot be made.
      {"create:2@.wotmod",
       {"--MEM-mod=FFFFFF", "--CAMO-mod=30"},
       16063,
       {false, true, true},
       {"mod.Pallograph.TankMapTextures_"}},
      {"full:20000@.wotmod",
       {"--MEM-mod=FFFFFF", "--CAMO-mod=30", "--allinone-wotmod"},
       16093,
       {true, true, true},
       {}},
      {"", {"--MEM-mod=FFFFFF"}, 0, {false, false, false}, {"mod.Pallograph.TankMapTextures_"}},
  };
  for (const TCase& c : cases) {
    fs::remove_all(Mods());
    for (const std::string& name : earlier) WriteText(Mods() + "/" + name, "earlier " + name);
    std::vector<std::string> args = c.Args;
    args.push_back("--remove-wotmod");
    const TProcessResult r = Run(c.Faults, args);
    const std::string what = c.Faults + " " + args.back();
    EXPECT_EQ(r.ExitCode, PosixExit(c.Code)) << what << r.Out << r.Err;
    // The console says what it always said.
    EXPECT_TRUE(Contains(r.Out, "  > Search and delete old wotmod-files... OK (3 files)\n"))
        << r.Out;
    size_t kept = 0;
    for (size_t i = 0; i < earlier.size(); ++i) {
      const std::string path = Mods() + "/" + earlier[i];
      EXPECT_EQ(fs::exists(path), c.Kept[i]) << what << " " << earlier[i];
      if (c.Kept[i] && fs::exists(path)) {
        EXPECT_EQ(ReadText(path), "earlier " + earlier[i]);
        ++kept;
      }
    }
    // Beside them only the new packages: nothing left aside, no partial package.
    EXPECT_EQ(ListTree(Mods()).size(), kept + c.New.size()) << what;
    for (const std::string& prefix : c.New) EXPECT_EQ(Packages(Mods(), prefix).size(), 1u);
    EXPECT_EQ(Contains(r.Err, " put back ("), kept > 0) << r.Err;
    EXPECT_TRUE(fs::is_empty(temp_)) << what;
  }
}

TEST_F(FaultTest, DiskFullInTheAllInOnePacking) {
  const TProcessResult r = Run("full:20000@.wotmod", {"--MEM-mod=FFFFFF", "--CAMO-mod=30",
                                                      "--allinone-wotmod", "--subfolder-wotmod"});
  EXPECT_EQ(r.ExitCode, PosixExit(16093)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "  > Files packing... Failed to create wotmod-file!\n")) << r.Out;
  ExpectCause(16093, {"mod.Pallograph.AllMods_", "(No space left on device)"});
  ExpectCleanEnd({});
}

TEST_F(FaultTest, PackageThatCannotBeCreatedOrRenamedIntoPlace) {
  TProcessResult r = Run("create:1@.wotmod", {"--CAMO-mod=30"});
  EXPECT_EQ(r.ExitCode, PosixExit(16063)) << r.Out << r.Err;
  ExpectCause(16063, {"Cannot create \"", ".wotmod.{", "(Permission denied)"});
  ExpectCleanEnd({});
  r = Run("rename:1@.wotmod", {"--CAMO-mod=30", "--CCT-mod=FF0000"});
  EXPECT_EQ(r.ExitCode, PosixExit(16023)) << r.Out << r.Err;
  ExpectCause(16023, {"Cannot rename", "(Permission denied)"});
  ExpectCleanEnd({"mod.Pallograph.Camouflages_"});
}

TEST_F(FaultTest, OutputFolderThatCannotBeMadeEndsTheRunBeforeAnyStage) {
  // Real condition, also for root: a regular file stands where the output folder must be made.
  // The first stage's packing would fail: its code, and nothing is processed.
  const std::string blocked = fixture_.Folder() + "/blocked";
  WriteText(blocked, "not a folder");
  const TProcessResult r = Run("", {"--mods-path=" + blocked + "/mods", "--DPT-mod=FF0000"});
  EXPECT_EQ(r.ExitCode, PosixExit(16013)) << r.Out << r.Err;
  EXPECT_FALSE(Contains(r.Out, "Processing")) << r.Out;
  EXPECT_TRUE(Contains(r.Err, "the output folder cannot be made: " + blocked + "/mods/")) << r.Err;
  ExpectCause(16013, {"output folder cannot be made", "blocked"});
  EXPECT_EQ(ReadText(blocked), "not a folder");
  ExpectCleanEnd({});
}

TEST_F(FaultTest, UnwritableSubfolderFailsThePackingOfEveryStage) {
  const TProcessResult r =
      Run("mkdir@Pallograph", {"--MEM-mod=FFFFFF", "--CAMO-mod=30", "--subfolder-wotmod"});
  EXPECT_EQ(r.ExitCode, PosixExit(16033)) << r.Out << r.Err;
  size_t failures = 0;
  for (size_t at = r.Out.find("Failed to create wotmod-file!"); at != std::string::npos;
       at = r.Out.find("Failed to create wotmod-file!", at + 1)) {
    ++failures;
  }
  EXPECT_EQ(failures, 2u) << r.Out;
  ExpectCause(16033, {"Cannot create folder \"", "Pallograph", "(Permission denied)"});
  ExpectCause(16063, {"(Permission denied)"});
  ExpectCleanEnd({});
}

TEST_F(FaultTest, DiskFullForTheStageFilesIsAJobError) {
  // The crash workers write through the main thread, the map jobs on their own.
  TProcessResult r = Run("full:3000@.dds", {"--MEM-mod=FFFFFF"});
  EXPECT_EQ(r.ExitCode, PosixExit(16031)) << r.Out << r.Err;
  ExpectCause(16031, {"Type: I/O / Message: Unable to save file! (Cannot write",
                      "(No space left on device)"});
  EXPECT_TRUE(Contains(r.Out, "Failed!")) << r.Out;
  ExpectCleanEnd({"mod.Pallograph.TankMapTextures_"});
  fs::remove_all(Mods());
  fs::create_directories(Mods());
  r = Run("full:100@.visual_processed", {"--DPT-mod=FF0000", "--cpu-count=4"});
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out << r.Err;
  ExpectCause(16011, {"Unable to save file! (Cannot write", "(No space left on device)"});
  ExpectCleanEnd({"mod.Pallograph.TankCrashTextures_"});
}

TEST_F(FaultTest, TemporaryFolderVanishingMidStage) {
  TProcessResult r = Run("vanish:3@.dds", {"--MEM-mod=FFFFFF"});
  EXPECT_EQ(r.ExitCode, PosixExit(16031)) << r.Out << r.Err;
  ExpectCause(16031, {"Unable to save file! (", "(No such file or directory)"});
  ExpectCleanEnd({"mod.Pallograph.TankMapTextures_"});
  fs::remove_all(Mods());
  fs::create_directories(Mods());
  // Just before meta.xml: the stage has nothing left to pack.
  r = Run("vanish:1@meta.xml", {"--CAMO-mod=30"});
  EXPECT_EQ(r.ExitCode, PosixExit(16063)) << r.Out << r.Err;
  ExpectCause(16063, {"Cannot write meta.xml: Cannot create \"", "(No such file or directory)"});
  EXPECT_TRUE(Contains(r.Out, "Failed to create wotmod-file!")) << r.Out;
  ExpectCleanEnd({});
  // Under the crash workers, which write through the main thread.
  r = Run("vanish:2@.visual_processed", {"--DPT-mod=FF0000", "--cpu-count=3"});
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out << r.Err;
  ExpectCause(16011, {"Unable to save file! (", "(No such file or directory)"});
  ExpectCleanEnd({"mod.Pallograph.TankCrashTextures_"});
}

TEST_F(FaultTest, PackageRemovedOrTruncatedBetweenAnalysisAndWalk) {
  TProcessResult r =
      Run("truncate:1@02_malinovka.pkg", {"--MEM-mod=FFFFFF", "--SpaceBin-mod=FF0000"});
  EXPECT_EQ(r.ExitCode, PosixExit(16031)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "          02_malinovka.pkg                        Failed!\n"))
      << r.Out;
  EXPECT_TRUE(Contains(r.Out, "          101_dday.pkg                            OK (1 file)\n"))
      << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Pkg: ")) << r.Err;
  ExpectCause(16031, {"02_malinovka.pkg / Type: ESevenZipError / Message: "});
  changed_client_ = client_before_;
  (*changed_client_)["res/packages/02_malinovka.pkg"] /= 2;
  ExpectCleanEnd({"mod.Pallograph.SpaceBinPatched_", "mod.Pallograph.TankMapTextures_"});

  fs::remove_all(Mods());
  fs::create_directories(Mods());
  r = Run("remove:1@vehicles_level_01.pkg", {"--DPT-mod=FF0000", "--CCT-mod=00FF00"});
  EXPECT_EQ(r.ExitCode, PosixExit(16011)) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out, "          vehicles_level_01.pkg              Failed!\n")) << r.Out;
  ExpectCause(16011, {"vehicles_level_01.pkg", "Cannot open \"", "(No such file or directory)"});
  changed_client_->erase("res/packages/vehicles_level_01.pkg");
  ExpectCleanEnd({"mod.Pallograph.TankCrashTextures_", "mod.Pallograph.TrackCrashTextures_"});
}

TEST_F(FaultTest, ConfigServerThatAcceptsAndStallsGivesDisconnect) {
  TLoopbackSocket server(true);
  const TProcessResult r = Run(
      "",
      {"--MEM-mod=FFFFFF", "--configs-path=" + fixture_.ProgramFolder(), "--no-send-statistic",
       "--auto-close-console"},
      {"PALLOGRAPH_CONFIGS_URL=http://" + server.Host() + "/", "PALLOGRAPH_DOWNLOAD_TIMEOUT=1"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Contains(r.Out,
                       "          CrashTanks.cfg...   Disconnect\n"
                       "          MapTanks.cfg...     Disconnect\n"
                       "          MapTrains.cfg...    Disconnect\n"
                       "          Camouflage.cfg...   Disconnect\n"))
      << r.Out;
  // Each file given up once the download limit passed.
  EXPECT_LT(seconds_, 30.0);
  ExpectCleanEnd({"mod.Pallograph.TankMapTextures_"});
}

TEST_F(FaultTest, CollectorThatRefusesOrStallsNeverHoldsTheRun) {
  for (const bool stall : {false, true}) {
    TLoopbackSocket collector(stall);
    fs::remove_all(Mods());
    fs::create_directories(Mods());
    const TProcessResult r =
        Run("", {"--CAMO-mod=30", "--no-update-configs", "--auto-close-console"},
            {"PALLOGRAPH_STATS_HOST=" + collector.Host(), "PALLOGRAPH_STATS_TID=UA-11111111-1"});
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    EXPECT_TRUE(Contains(r.Out, "mod.Pallograph.Camouflages_")) << r.Out;
    EXPECT_LT(seconds_, 30.0) << (stall ? "stalling" : "refusing");
    ExpectCleanEnd({"mod.Pallograph.Camouflages_"});
  }
}

}  // namespace
}  // namespace pallograph::test

namespace pallograph::test {
namespace {

TEST(UnexpectedErrorTest, AnExceptionAtTheEntryIsReportedWithItsOwnCode) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const TProcessResult r =
      fixture.Run({"--wot-path=" + client, "--DPT-mod=FF0000", "--log", "--auto-close-console"},
                  "\n", true, {"PALLOGRAPH_FAULT=throw@CrashTanks.cfg"});
  EXPECT_EQ(r.ExitCode, PosixExit(16099)) << r.Out << r.Err;
  EXPECT_NE(r.Err.find("Pallograph: unexpected error, the run ended: injected exception opening "),
            std::string::npos)
      << r.Err;
  const std::string log = ReadText(fixture.LogFile());
  EXPECT_NE(log.find("Unexpected error, the run ended: injected exception"), std::string::npos);
  EXPECT_NE(log.find("Exit code: 16099\n"), std::string::npos) << log;
  EXPECT_TRUE(ListTree(TE2EFixture::ModsFolder(client)).empty());
}

}  // namespace
}  // namespace pallograph::test
