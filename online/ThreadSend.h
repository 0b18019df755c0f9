// The statistics sender: one thread that drains a hit queue and posts each hit to the
// collector, three tries per hit, 250 ms apart while it runs and without pauses once it has been
// asked to stop.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "online/TasksQueue.h"

namespace pallograph {

inline constexpr unsigned kSendPauseMs = 250;
inline constexpr int kSendTriesPerHit = 3;

class TThreadSend {
 public:
  // Starts the thread at once. The thread shares ownership of the queue, so the queue outlives
  // it whatever happens to the owner. `collectorUrl` is the full address hits are posted to;
  // `userAgent` may be empty.
  TThreadSend(std::shared_ptr<TTasksQueue> queue, std::string collectorUrl, std::string userAgent);
  // Stops the thread as Stop(0) does when it is still running.
  ~TThreadSend();
  TThreadSend(const TThreadSend&) = delete;
  TThreadSend& operator=(const TThreadSend&) = delete;

  // Asks the thread to send what is queued without pauses and then end. Returns at once.
  void RequestStop();
  // Asks the thread to stop and waits at most `waitMs` for it. When it has not ended by then,
  // it is told to drop the remaining hits and cancel its post, and is left to end on its own.
  // Returns true when the thread had ended within the wait. Owner's thread only.
  bool Stop(unsigned waitMs);

  // What the thread shares with its owner; defined with the thread's code.
  struct TState;

 private:
  std::shared_ptr<TState> state_;
  std::thread thread_;
};

}  // namespace pallograph
