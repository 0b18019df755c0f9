#include "platform/MainThreadQueue.h"

#include <utility>

namespace pallograph {

void TMainThreadQueue::Synchronize(std::function<void()> call) {
  TPending pending;
  pending.Call = std::move(call);
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.push_back(&pending);
  done_.wait(lock, [&] { return pending.Done; });
  if (pending.Error) std::rethrow_exception(pending.Error);
}

size_t TMainThreadQueue::CheckSynchronize() {
  size_t count = 0;
  for (;;) {
    TPending* pending = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) break;
      pending = queue_.front();
      queue_.pop_front();
    }
    try {
      pending->Call();
    } catch (...) {
      pending->Error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending->Done = true;
    }
    done_.notify_all();
    ++count;
  }
  return count;
}

}  // namespace pallograph
