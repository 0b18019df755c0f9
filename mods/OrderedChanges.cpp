#include "mods/OrderedChanges.h"

#include <algorithm>

#include "texture/WorkerPool.h"

namespace pallograph {

TOrderedChanges::TOrderedChanges(TWorkerPool* workers, size_t window)
    : workers_(workers), window_(std::max<size_t>(1, window)) {}

TOrderedChanges::~TOrderedChanges() {
  std::unique_lock lock(mutex_);
  cancelled_ = true;
  done_.wait(lock, [this] { return running_ == 0; });
}

void TOrderedChanges::Add(std::unique_ptr<TItem> item, TWork work) {
  auto slot = std::make_shared<TSlot>();
  slot->Item = std::move(item);
  if (workers_ == nullptr) {
    work(*slot->Item);
    slot->Done = true;  // not shared with any other thread
    items_.push_back(std::move(slot));
    return;
  }
  {
    std::lock_guard lock(mutex_);
    ++running_;
  }
  try {
    workers_->Post([this, slot, work = std::move(work)] {
      bool cancelled;
      {
        std::lock_guard lock(mutex_);
        cancelled = cancelled_;
      }
      if (!cancelled) work(*slot->Item);
      std::lock_guard lock(mutex_);
      slot->Done = true;
      --running_;
      done_.notify_all();
    });
  } catch (...) {
    std::lock_guard lock(mutex_);
    --running_;
    throw;
  }
  items_.push_back(std::move(slot));
}

std::unique_ptr<TOrderedChanges::TItem> TOrderedChanges::TakeOldest() {
  std::shared_ptr<TSlot> slot = std::move(items_.front());
  items_.pop_front();
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&slot] { return slot->Done; });
  return std::move(slot->Item);
}

}  // namespace pallograph
