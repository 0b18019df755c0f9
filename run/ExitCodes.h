// The process exit codes. The start-up failures end the run at once; every other failure is
// recorded while the code is still 0, so the first failure names the run's result. The console
// and the run log give the full code; on POSIX the process ends with the code minus 16000
// (platform/ProcessEnd.h), and a stopped run with 128 + the signal's number (Interruption.h).
#pragma once

namespace pallograph {

inline constexpr int kExitNoClientPath = 16001;
inline constexpr int kExitClientError = 16002;
inline constexpr int kExitClientExeMissing = 16003;
inline constexpr int kExitNoPackages = 16004;
// The command line is not understood (an unknown option, a word that belongs to no option, an
// option without its value, a value the program cannot use): nothing runs.
inline constexpr int kExitUsage = 16009;
// Another run kept the output folder locked for longer than this run waits.
inline constexpr int kExitOutputFolderBusy = 16010;
// Missing or empty config files.
inline constexpr int kExitCrashTanksCfg = 16005;  // DPT-mod and CCT-mod
inline constexpr int kExitMapTanksCfg = 16006;
inline constexpr int kExitMapTrainsCfg = 16007;
inline constexpr int kExitCamouflageCfg = 16008;
// Stage S (1 DPT, 2 CCT, 3 MEM, 4 CTM, 5 SpaceBin, 6 CAMO): 160S1 a job failed, 160S2 nothing
// to pack, 160S3 packing failed.
inline constexpr int kExitDPTJobError = 16011, kExitDPTEmpty = 16012, kExitDPTPackFailed = 16013;
inline constexpr int kExitCCTJobError = 16021, kExitCCTEmpty = 16022, kExitCCTPackFailed = 16023;
inline constexpr int kExitMEMJobError = 16031, kExitMEMEmpty = 16032, kExitMEMPackFailed = 16033;
inline constexpr int kExitCTMJobError = 16041, kExitCTMEmpty = 16042, kExitCTMPackFailed = 16043;
inline constexpr int kExitSpaceBinJobError = 16051, kExitSpaceBinEmpty = 16052,
                     kExitSpaceBinPackFailed = 16053;
inline constexpr int kExitCAMOJobError = 16061, kExitCAMOEmpty = 16062, kExitCAMOPackFailed = 16063;
// An exception that no part of the run expected reached the entry: the run ended there.
inline constexpr int kExitUnexpectedError = 16099;
inline constexpr int kExitAllInOneEmpty = 16092;
inline constexpr int kExitAllInOnePackFailed = 16093;

// Holds the run's exit code: the first recorded failure wins.
class TExitCode {
 public:
  void Fail(int code) {
    if (code_ == 0) code_ = code;
  }
  int Code() const { return code_; }

 private:
  int code_ = 0;
};

// Thrown to end the run with a start-up failure; caught at the entry, after everything the run
// owns has been released.
struct THaltRun {
  int Code;
};

}  // namespace pallograph
