#include "platform/MainThreadQueue.h"

#include <chrono>
#include <utility>

namespace pallograph {

void TMainThreadQueue::Synchronize(std::function<void()> call) {
  TPending pending;
  pending.Call = std::move(call);
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.push_back(&pending);
  arrived_.notify_one();
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

void TMainThreadQueue::WaitForCall(unsigned milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [this] { return woken_ || !queue_.empty(); });
  woken_ = false;
}

void TMainThreadQueue::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  arrived_.notify_one();
}

}  // namespace pallograph
