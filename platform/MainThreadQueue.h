// Calls that worker threads hand to the main thread. A worker queues a call and waits until the
// main thread has run it; the main thread serves the queue whenever it polls its workers. Used
// for everything a worker must not do itself: writing files, writing the run log.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace pallograph {

class TMainThreadQueue {
 public:
  // Worker side: queues the call, blocks until the main thread ran it. An exception thrown by
  // the call is rethrown here, in the worker. Safe from any number of threads.
  void Synchronize(std::function<void()> call);
  // Main-thread side: runs every call queued so far, in order. Returns how many ran.
  size_t CheckSynchronize();
  // Main-thread side: waits until a call is queued or Wake() is called (either since the last
  // wait), at most `milliseconds`. A worker's call then waits only as long as the main thread is
  // busy, not for the end of a poll.
  void WaitForCall(unsigned milliseconds);
  // Any thread: ends the main thread's current or next WaitForCall (a worker that finished).
  void Wake();

 private:
  struct TPending {
    std::function<void()> Call;
    bool Done = false;
    std::exception_ptr Error;
  };
  std::mutex mutex_;
  std::condition_variable done_;
  std::condition_variable arrived_;  // a call was queued, or Wake()
  std::deque<TPending*> queue_;  // guarded by mutex_; entries live on the waiting workers' stacks
  bool woken_ = false;           // guarded by mutex_
};

}  // namespace pallograph
