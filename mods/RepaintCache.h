// Repainted one-colour textures, shared by the map and space.bin jobs. A texture repainted in one
// colour that carries its own alpha depends only on the source's headers (format, size, mip
// levels), its length and the colour, never on its pixels; the textures a map config lists share
// a handful of formats and sizes, so equal sources are repainted once and copied after that.
// Thread-safe; holds at most its byte limit of results.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Result.h"

namespace pallograph {

class TWorkerPool;

class TRepaintCache {
 public:
  explicit TRepaintCache(size_t byteLimit) : byteLimit_(byteLimit) {}

  // RepaintDDS(texture, color, 0, workers): success, or the texture unchanged and the cause.
  // Colours without their own alpha ("#RRGGBB") keep the source's alpha and are not cached. A
  // source that another thread is repainting already is waited for (with workers, helping them
  // meanwhile), not repainted twice.
  RResult Repaint(std::vector<uint8_t>& texture, const std::string& color,
                  TWorkerPool* workers = nullptr);

  size_t Hits() const;

 private:
  using TResult = std::shared_ptr<const std::vector<uint8_t>>;

  const size_t byteLimit_;
  mutable std::mutex mutex_;
  std::condition_variable repainted_;                 // a repaint in progress ended
  std::unordered_map<std::string, TResult> results_;  // guarded by mutex_
  std::unordered_set<std::string> inProgress_;        // keys being repainted; guarded by mutex_
  size_t bytes_ = 0;                                  // guarded by mutex_
  size_t hits_ = 0;                                   // guarded by mutex_
};

// The process's cache (128 MiB of results).
TRepaintCache& SharedRepaintCache();

}  // namespace pallograph
