// ThPkgScan: base of the thread jobs (crash visuals). A job walks one package on its own worker
// thread. The worker never writes a file or the log itself: file writes go to the main thread
// through the main-thread queue, and log lines are collected in LogText() and handed to the sink
// on the main thread when the job is destroyed. No exception leaves the worker.
//
// Lifecycle (all calls on the main thread): construct (suspended) -> set fields -> Start() ->
// poll WaitFor() while serving the queue (TMainThreadQueue::CheckSynchronize) -> read
// ErrorText() / FilesCount() -> destroy.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/LogSink.h"
#include "platform/MainThreadQueue.h"

namespace pallograph {

class ThPkgScan {
 public:
  // outPath and clientPath are folders ending in '\'. mainQueue must outlive the job; the main
  // thread serves it while the job runs.
  ThPkgScan(LogSink onLog, const std::string& outPath, const std::string& clientPath,
            const std::string& libraryPath, TMainThreadQueue& mainQueue);
  // Waits for the worker (serving the main-thread queue meanwhile), then hands the collected
  // log text to the sink. Main thread only.
  virtual ~ThPkgScan();
  ThPkgScan(const ThPkgScan&) = delete;
  ThPkgScan& operator=(const ThPkgScan&) = delete;

  // Starts the worker; a second call does nothing.
  void Start();
  // Waits up to `milliseconds` for the worker to end. True when it has ended (it is joined
  // then) or was never started.
  bool WaitFor(unsigned milliseconds);

  // Valid once WaitFor() returned true.
  const std::string& ErrorText() const { return errorText_; }
  int32_t FilesCount() const { return filesCount_; }
  const std::string& LogText() const { return logText_; }

 protected:
  // The job's walk, on the worker thread. Implementations catch their own exceptions and turn
  // them into the error record; anything that still escapes is caught by the base.
  virtual void Execute() = 0;
  // Waits for the worker to end, serving the main-thread queue. The most-derived destructor
  // calls it first, so the worker never sees a partly destroyed job.
  void Join();

  bool LogEnabled() const { return static_cast<bool>(onLog_); }
  // Worker side: appends a line to LogText (CR LF between lines).
  void AddLog(const std::string& line);
  // Main thread: hands the whole LogText to the sink once.
  void FlushLog();
  // Worker side: runs `call` on the main thread and waits for it.
  void Synchronize(std::function<void()> call) { mainQueue_.Synchronize(std::move(call)); }

  std::string clientPath_;
  std::string outPath_;
  std::string libraryPath_;
  std::string errorText_;
  int32_t filesCount_ = 0;
  LogSink onLog_;
  std::string logText_;

 private:
  void Run() noexcept;

  TMainThreadQueue& mainQueue_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool started_ = false;
  bool finished_ = false;  // guarded by mutex_
};

}  // namespace pallograph
