#include "mods/OrderedChanges.h"

#include <algorithm>

#include "texture/WorkerPool.h"

namespace pallograph {

TOrderedChanges::TOrderedChanges(TWorkerPool* workers, size_t window)
    : workers_(workers), window_(std::max<size_t>(1, window)) {}

TOrderedChanges::~TOrderedChanges() {
  std::unique_lock lock(mutex_);
  cancelled_ = true;
  queued_.clear();
  done_.wait(lock, [this] { return turns_ == 0; });
}

void TOrderedChanges::RunNextQueued() noexcept {
  std::unique_lock lock(mutex_);
  if (!queued_.empty() && !cancelled_) {
    std::shared_ptr<TSlot> slot = std::move(queued_.front());
    queued_.pop_front();
    slot->State = TState::Running;
    lock.unlock();
    slot->Work(*slot->Item);
    lock.lock();
    slot->State = TState::Done;
  }
  --turns_;
  done_.notify_all();
}

void TOrderedChanges::Add(std::unique_ptr<TItem> item, TWork work) {
  auto slot = std::make_shared<TSlot>();
  slot->Item = std::move(item);
  if (workers_ == nullptr) {
    work(*slot->Item);
    slot->State = TState::Done;  // not shared with any other thread
    items_.push_back(std::move(slot));
    return;
  }
  slot->Work = std::move(work);
  items_.push_back(slot);
  {
    std::lock_guard lock(mutex_);
    queued_.push_back(slot);
    ++turns_;
  }
  try {
    // One turn per item; a turn whose item the walk took over finds nothing to do.
    workers_->Post([this] { RunNextQueued(); });
  } catch (...) {
    // The walk's own thread runs the item when it takes it back.
    std::lock_guard lock(mutex_);
    --turns_;
  }
}

std::unique_ptr<TOrderedChanges::TItem> TOrderedChanges::TakeOldest() {
  std::shared_ptr<TSlot> slot = std::move(items_.front());
  items_.pop_front();
  std::unique_lock lock(mutex_);
  if (slot->State == TState::Queued) {
    queued_.erase(std::find(queued_.begin(), queued_.end(), slot));
    slot->State = TState::Running;
    lock.unlock();
    slot->Work(*slot->Item);
    lock.lock();
    slot->State = TState::Done;
  }
  done_.wait(lock, [&slot] { return slot->State == TState::Done; });
  return std::move(slot->Item);
}

}  // namespace pallograph
