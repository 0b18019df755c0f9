#include "mods/PkgScanThread.h"

#include <chrono>

#include "mods/JobErrors.h"
#include "platform/Exception.h"

namespace pallograph {

ThPkgScan::ThPkgScan(LogSink onLog, const std::string& outPath, const std::string& clientPath,
                     const std::string& libraryPath, TMainThreadQueue& mainQueue)
    : clientPath_(clientPath),
      outPath_(outPath),
      libraryPath_(libraryPath),
      onLog_(std::move(onLog)),
      mainQueue_(mainQueue) {}

ThPkgScan::~ThPkgScan() {
  Join();
  if (onLog_) FlushLog();
  logText_.clear();
  onLog_ = nullptr;
}

void ThPkgScan::Start() {
  if (started_) return;
  started_ = true;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::exception& e) {
    // No thread (the system refused one): the job ends at once with an error record.
    errorText_ = "Type: " + std::string(ExceptionClassName(e)) + "\r\nMessage: " + e.what();
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
}

bool ThPkgScan::WaitFor(unsigned milliseconds) {
  if (!started_) return true;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ended_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                         [this] { return finished_; })) {
      return false;
    }
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

void ThPkgScan::Join() {
  while (!WaitFor(10)) mainQueue_.CheckSynchronize();
}

void ThPkgScan::AddLog(const std::string& line) {
  if (logText_.empty()) {
    logText_ = line;
  } else {
    logText_ += kCrLf;
    logText_ += line;
  }
}

void ThPkgScan::FlushLog() {
  if (!logText_.empty() && onLog_) onLog_(logText_);
}

void ThPkgScan::Run() noexcept {
  try {
    Execute();
  } catch (const std::exception& error) {
    if (errorText_.empty()) errorText_ = ExceptionRecord("", error);
  } catch (...) {
    if (errorText_.empty()) errorText_ = UnknownExceptionRecord("");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  ended_.notify_all();
  mainQueue_.Wake();
}

}  // namespace pallograph
