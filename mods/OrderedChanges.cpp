#include "mods/OrderedChanges.h"

#include <algorithm>

#include "texture/WorkerPool.h"

namespace pallograph {

TOrderedChanges::TOrderedChanges(TWorkerPool* workers, size_t window)
    : workers_(workers), window_(std::max<size_t>(1, window)) {}

TOrderedChanges::~TOrderedChanges() {
  std::unique_lock lock(mutex_);
  cancelled_ = true;
  changed_.wait(lock, [this] { return running_ == 0; });
}

void TOrderedChanges::Change(TItem& item, const TTextureChange& change, TWorkerPool* workers) {
  try {
    item.Changed = change(item.Texture, workers);
  } catch (...) {
    item.ChangeError = std::current_exception();
  }
}

void TOrderedChanges::Add(std::unique_ptr<TItem> item, TTextureChange change) {
  auto slot = std::make_shared<TSlot>();
  slot->Item = std::move(item);
  if (slot->Item->ReadError || workers_ == nullptr) {
    if (!slot->Item->ReadError) Change(*slot->Item, change, nullptr);
    slot->Done = true;  // not shared with any other thread
    items_.push_back(std::move(slot));
    return;
  }
  {
    std::lock_guard lock(mutex_);
    ++running_;
  }
  try {
    workers_->Post([this, slot, change = std::move(change)] {
      bool cancelled;
      {
        std::lock_guard lock(mutex_);
        cancelled = cancelled_;
      }
      if (!cancelled) Change(*slot->Item, change, workers_);
      std::lock_guard lock(mutex_);
      slot->Done = true;
      --running_;
      changed_.notify_all();
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
  changed_.wait(lock, [&slot] { return slot->Done; });
  return std::move(slot->Item);
}

}  // namespace pallograph
