// The texture changes of one package walk in flight: each entry the walk has read is changed on
// the stage's workers while the walk reads on, and the walk takes the results back in the order
// it read the entries, so that it logs, writes and counts them exactly as a walk that changes
// one entry after the other. Owned and used by one thread (the walk's); the changes run on the
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

// Textures read and not yet taken back, for a stage with `workers` threads: one being changed
// on each, and one more that waits, read, for the next worker to become free. Each costs its
// read and its changed bytes; a texture being changed also its decoded pixels.
inline constexpr size_t TexturesInFlight(unsigned workers) { return size_t{workers} + 1; }

class TOrderedChanges {
 public:
  struct TItem {
    std::string Name;
    std::vector<uint8_t> Texture;    // the bytes read; after the change, the changed texture
    std::exception_ptr ReadError;    // why the entry could not be read (then nothing changed)
    RResult Changed;                 // the change's result
    std::exception_ptr ChangeError;  // what the change threw, if it threw
  };

  // workers: the stage's workers, or nullptr to change each texture on the calling thread as
  // it is added. window: the most items in flight (at least 1).
  TOrderedChanges(TWorkerPool* workers, size_t window);
  // Changes not yet begun are skipped; waits for the ones running.
  ~TOrderedChanges();
  TOrderedChanges(const TOrderedChanges&) = delete;
  TOrderedChanges& operator=(const TOrderedChanges&) = delete;

  bool Full() const { return items_.size() >= window_; }
  bool Empty() const { return items_.empty(); }
  // Adds the next item read and starts its change (none when it holds a read error).
  void Add(std::unique_ptr<TItem> item, TTextureChange change);
  // Takes the oldest item back once its change has run. Not on an empty window.
  std::unique_ptr<TItem> TakeOldest();

 private:
  struct TSlot {
    std::unique_ptr<TItem> Item;
    bool Done = false;  // guarded by mutex_
  };
  static void Change(TItem& item, const TTextureChange& change, TWorkerPool* workers);

  TWorkerPool* const workers_;
  const size_t window_;
  std::deque<std::shared_ptr<TSlot>> items_;  // oldest first; the walk's thread only
  std::mutex mutex_;
  std::condition_variable changed_;  // a change ended
  size_t running_ = 0;               // changes posted and not ended; guarded by mutex_
  bool cancelled_ = false;           // guarded by mutex_
};

}  // namespace pallograph
