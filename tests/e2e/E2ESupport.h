// End-to-end test support: a copy of the built program in a folder of its own (its run log and
// default configs folder are that folder), and demo clients made by the generator script.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace pallograph::test {

// How a run on a pseudo-terminal goes (tests/e2e/on_terminal.py): typed input, and a stop sent
// once a file exists or the terminal shows a text.
struct RTerminalRun {
  std::string Input;
  std::vector<std::string> Env;  // "NAME=value"
  std::string StopWith;          // "ctrl-c" (typed) or "SIGTERM"; "" for none
  std::string StopWhenExists;    // a glob
  std::string StopOnText;
  std::string Plant;  // a file written when the stop is sent
  int TimeoutSeconds = 60;
};
struct RTerminalResult {
  std::string Status;  // the exit status, "-S" for a signal S, "timeout" when a prompt blocked
  bool Stopped = false;
  double SecondsAfterStop = -1;  // from the stop to the program's end, when Stopped
  std::string Shown;             // what the terminal received (standard output and error together)
};
class TE2EFixture {
 public:
  // Copies the program (and, when `with_configs`, the shipped configs) into a fresh folder.
  explicit TE2EFixture(bool with_configs = true);

  // Writes a demo client below the fixture's folder with make_demo_client.py and the given
  // extra arguments (a copy of the one written earlier in this run with the same arguments);
  // returns its native path.
  std::string MakeClient(const std::vector<std::string>& args = {},
                         const std::string& name = "client");
  // Runs the copied program. Offline options (no statistics, no config refresh) are added
  // unless `offline` is false.
  TProcessResult Run(std::vector<std::string> args, const std::string& input = "",
                     bool offline = true, const std::vector<std::string>& env = {}) const;
  // Runs the copied program on a pseudo-terminal, offline like Run.
  RTerminalResult RunOnTerminal(std::vector<std::string> args, const RTerminalRun& how) const;
  // The client's mods folder of the demo client's version.
  static std::string ModsFolder(const std::string& client) { return client + "/mods/2.4.0.2"; }
  // Runs tests/e2e/package_checks.py; fails the test when a check fails.
  static void Check(const std::vector<std::string>& args);

  const std::string& Folder() const { return dir_.Path(); }
  std::string ProgramFolder() const { return dir_.Path() + "/bin"; }
  std::string LogFile() const { return ProgramFolder() + "/Pallograph2.log"; }

 private:
  TTempDir dir_;
};

// Runs a command on a pseudo-terminal.
RTerminalResult RunOnTerminal(const std::vector<std::string>& command, const RTerminalRun& how);

// The exit status of a program code on POSIX: the code minus 16000 (16001 -> 1).
inline int PosixExit(int code) { return code >= 16000 ? code - 16000 : code; }

// Names of the files below a native folder, relative, sorted.
std::vector<std::string> ListTree(const std::string& folder);
// The packages (native paths) below a folder whose relative names start with `prefix`.
std::vector<std::string> Packages(const std::string& folder, const std::string& prefix);
// The one package whose name starts with `prefix`; fails the test when there is not exactly one.
std::string OnePackage(const std::string& folder, const std::string& prefix);

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
// How often `part` occurs in `text`, overlapping occurrences included.
size_t CountOf(const std::string& text, const std::string& part);
// The run's console line for a package ("" when the run shows none).
std::string LineOf(const std::string& out, const std::string& package);

// Entries of the demo client's map packages: the tank wrecks (two textures of each in
// 02_malinovka, 19_monastery and 101_dday), the locomotive and its tender, and a camouflage.
constexpr const char* kDemoSherman =
    "content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_AM.dds";
constexpr const char* kDemoShermanTrack =
    "content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_track_AM.dds";
constexpr const char* kDemoPzIV =
    "content/MilitaryEnvironment/hd_mle102_G01_Pz_IV_AusfG/hd_mle102_G01_Pz_IV_AusfG_AM.dds";
constexpr const char* kDemoPzIVTracks =
    "content/MilitaryEnvironment/hd_mle102_G01_Pz_IV_AusfG/"
    "hd_mle102_G01_Pz_IV_AusfG_Tracks_AM.dds";
constexpr const char* kDemoLocomotive =
    "content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_AM.dds";
constexpr const char* kDemoTender =
    "content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_tender_AM.dds";
constexpr const char* kDemoCamo = "vehicles/russian/Camouflage/gift_camouflage.dds";

}  // namespace pallograph::test
