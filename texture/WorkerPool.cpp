#include "texture/WorkerPool.h"

#include <algorithm>
#include <chrono>

namespace pallograph {

TWorkerPool::TWorkerPool(unsigned workers) {
  const unsigned wanted = std::max(1u, workers);
  threads_.reserve(wanted);
  for (unsigned i = 0; i < wanted; ++i) {
    try {
      threads_.emplace_back([this] { WorkerLoop(); });
    } catch (...) {
      // Fewer workers do the same work, only later.
      break;
    }
  }
}

TWorkerPool::~TWorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  workAvailable_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TWorkerPool::Post(std::function<void()> task) {
  if (threads_.empty()) {
    try {
      task();
    } catch (...) {
      // A task reports through its own data; nothing it throws has a receiver.
    }
    return;
  }
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  workAvailable_.notify_one();
}

void TWorkerPool::RunParts(TSplit& split, std::unique_lock<std::mutex>& lock) {
  while (split.Next < split.Count) {
    const size_t part = split.Next++;
    // Once every part is handed out, no thread is to join the loop any more.
    if (split.Next == split.Count) splits_.remove(&split);
    lock.unlock();
    std::exception_ptr error;
    try {
      (*split.Part)(part);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    if (error && !split.Error) split.Error = error;
  }
}

void TWorkerPool::ForEach(size_t count, const std::function<void(size_t)>& part) {
  if (count == 0) return;
  if (count == 1 || threads_.empty()) {
    for (size_t i = 0; i < count; ++i) part(i);
    return;
  }
  TSplit split;
  split.Part = &part;
  split.Count = count;
  std::unique_lock lock(mutex_);
  splits_.push_back(&split);
  workAvailable_.notify_all();
  splitOpened_.notify_all();
  RunParts(split, lock);
  // The parts the helpers took may still run; the split lives on this thread's stack.
  helperLeft_.wait(lock, [&split] { return split.Helpers == 0; });
  lock.unlock();
  if (split.Error) std::rethrow_exception(split.Error);
}

void TWorkerPool::HelpUntil(const std::function<bool()>& ready) {
  while (!ready()) {
    std::unique_lock lock(mutex_);
    if (!splits_.empty()) {
      TSplit& split = *splits_.front();
      ++split.Helpers;
      RunParts(split, lock);
      if (--split.Helpers == 0) helperLeft_.notify_all();
    } else {
      splitOpened_.wait_for(lock, std::chrono::milliseconds(1));
    }
  }
}

void TWorkerPool::WorkerLoop() noexcept {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!splits_.empty()) {
      TSplit& split = *splits_.front();
      ++split.Helpers;
      RunParts(split, lock);
      if (--split.Helpers == 0) helperLeft_.notify_all();
      continue;
    }
    if (!tasks_.empty()) {
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      try {
        task();
      } catch (...) {
        // As in Post: the task's own data carries its result.
      }
      task = nullptr;
      lock.lock();
      continue;
    }
    if (stop_) return;
    workAvailable_.wait(lock);
  }
}

}  // namespace pallograph
