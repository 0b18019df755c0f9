#include "online/TasksQueue.h"

#include <utility>

namespace pallograph {

void TTasksQueue::Push(const RHit& hit) {
  RHit copy = hit;
  const std::lock_guard<std::mutex> lock(mutex_);
  hits_.push_back(std::move(copy));
}

bool TTasksQueue::Pop(RHit& hit) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (hits_.empty()) return false;
  hit = std::move(hits_.front());
  hits_.pop_front();
  return true;
}

size_t TTasksQueue::Count() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return hits_.size();
}

}  // namespace pallograph
