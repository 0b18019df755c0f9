// The process exit codes. The start-up failures end the run at once; every other failure is
// recorded while the code is still 0, so the first failure names the run's result. On POSIX the
// caller sees the code modulo 256; the codes stay distinct there.
#pragma once

namespace pallograph {

inline constexpr int kExitNoClientPath = 16001;
inline constexpr int kExitClientError = 16002;
inline constexpr int kExitClientExeMissing = 16003;
inline constexpr int kExitNoPackages = 16004;
// Another run kept the output folder locked for longer than this run waits.
inline constexpr int kExitOutputFolderBusy = 16010;
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
