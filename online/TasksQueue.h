// The first-in first-out queue of statistics hits between the owner's thread (pushes) and the
// sender thread (pops). Every operation is safe from any thread; the lock is held only for the
// copy.
#pragma once

#include <deque>
#include <mutex>

#include "online/AnalyticsHit.h"

namespace pallograph {

class TTasksQueue {
 public:
  // Appends a copy of the hit.
  void Push(const RHit& hit);
  // Takes the oldest hit into `hit`; false (hit untouched) when the queue is empty.
  bool Pop(RHit& hit);
  size_t Count() const;

 private:
  mutable std::mutex mutex_;
  std::deque<RHit> hits_;  // guarded by mutex_
};

}  // namespace pallograph
