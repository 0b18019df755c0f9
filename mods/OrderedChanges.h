// The textures of one package walk in flight: each wanted entry is read and changed on the
// stage's workers while the walk goes on to the next, and the walk takes the results back in
// archive order, so that it logs, writes and counts them exactly as a walk that reads and changes
// one entry after the other. Owned and used by one thread (the walk's); the work runs on the
// workers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Result.h"

namespace pallograph {

class TWorkerPool;

// Changes one texture in memory; false when it cannot be changed. With workers, the change may
// split its own work on them.
using TTextureChange = std::function<RResult(std::vector<uint8_t>& texture, TWorkerPool* workers)>;

// Textures in flight (handed to the workers and not yet taken back) for a stage with `workers`
// threads: one being read and changed on each, and one more queued for the next worker that
// becomes free. Each costs its read and then its changed bytes; one being changed also its
// decoded pixels.
inline constexpr size_t TexturesInFlight(unsigned workers) { return size_t{workers} + 1; }
// Changed textures being written (handed over and not yet taken back): one per worker.
inline constexpr size_t TexturesBeingWritten(unsigned workers) { return workers; }

class TOrderedChanges {
 public:
  struct TItem {
    std::string Name;
    uint32_t Index = 0;              // the entry's index in the package
    TTextureChange Change;           // the change to make
    std::vector<uint8_t> Texture;    // the bytes read; after the change, the changed texture
    std::exception_ptr ReadError;    // why the entry could not be read (then nothing changed)
    RResult Changed;                 // the change's result
    std::exception_ptr ChangeError;  // what the change threw, if it threw
    bool ReadByWalk = false;         // left for the walk's own thread to read and change
    std::string Target;              // the file it is written to
    bool Written = false;            // the write's result
    std::string WriteCause;          // why the write failed
  };
  // Reads and changes one item, or writes it, keeping every failure in it; must not throw.
  using TWork = std::function<void(TItem& item)>;

  // workers: the stage's workers, or nullptr to do each item's work on the calling thread as
  // it is added. window: the most items in flight (at least 1).
  TOrderedChanges(TWorkerPool* workers, size_t window);
  // Work not yet begun is skipped; waits for the work running.
  ~TOrderedChanges();
  TOrderedChanges(const TOrderedChanges&) = delete;
  TOrderedChanges& operator=(const TOrderedChanges&) = delete;

  bool Full() const { return items_.size() >= window_; }
  bool Empty() const { return items_.empty(); }
  // Adds the next item of the walk; the next free worker runs its work.
  void Add(std::unique_ptr<TItem> item, TWork work);
  // Takes the oldest item back once its work has run; when no worker has begun it yet, the
  // calling thread runs it rather than wait. Not on an empty window.
  std::unique_ptr<TItem> TakeOldest();

 private:
  enum class TState { Queued, Running, Done };
  struct TSlot {
    std::unique_ptr<TItem> Item;
    TWork Work;
    TState State = TState::Queued;  // guarded by mutex_
  };
  // A worker's turn: runs the oldest queued item's work, if any is left.
  void RunNextQueued() noexcept;

  TWorkerPool* const workers_;
  const size_t window_;
  std::deque<std::shared_ptr<TSlot>> items_;  // oldest first; the walk's thread only
  std::mutex mutex_;
  std::condition_variable done_;               // an item's work ended, or a turn
  std::deque<std::shared_ptr<TSlot>> queued_;  // not yet begun, oldest first; guarded by mutex_
  size_t turns_ = 0;                           // turns posted and not ended; guarded by mutex_
  bool cancelled_ = false;                     // guarded by mutex_
};

}  // namespace pallograph
