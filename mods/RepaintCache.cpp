#include "mods/RepaintCache.h"

#include <algorithm>

#include "texture/DDSTexture.h"
#include "texture/WorkerPool.h"

namespace pallograph {

namespace {

// Magic, DDS header and the optional DX10 header: everything of a source that a repaint in
// one colour with its own alpha reads apart from the length.
constexpr size_t kHeaderBytes = 4 + 124;
constexpr size_t kFourCCAt = 4 + 72 + 8;
constexpr size_t kDX10HeaderBytes = 20;

size_t HeaderBytes(const std::vector<uint8_t>& texture) {
  if (texture.size() >= kFourCCAt + 4 &&
      std::equal(texture.begin() + kFourCCAt, texture.begin() + kFourCCAt + 4, "DX10")) {
    return std::min(texture.size(), kHeaderBytes + kDX10HeaderBytes);
  }
  return std::min(texture.size(), kHeaderBytes);
}
constexpr size_t kColorWithAlpha = 9;  // "#RRGGBBAA"

}  // namespace

RResult TRepaintCache::Repaint(std::vector<uint8_t>& texture, const std::string& color,
                               TWorkerPool* workers) {
  if (color.size() != kColorWithAlpha) return RepaintDDS(texture, color, 0, workers);
  std::string key = color + ':' + std::to_string(texture.size()) + ':';
  key.append(texture.begin(), texture.begin() + HeaderBytes(texture));
  {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      const auto found = results_.find(key);
      if (found != results_.end()) {
        ++hits_;
        texture = *found->second;
        return RResult::Success();
      }
      if (inProgress_.insert(key).second) break;
      // Another thread repaints the same source: its result is copied once it is there (when
      // it could not be kept, this thread repaints after all).
      const auto ended = [&] { return inProgress_.count(key) == 0; };
      if (workers != nullptr) {
        lock.unlock();
        workers->HelpUntil([&] {
          std::lock_guard<std::mutex> relock(mutex_);
          return ended();
        });
        lock.lock();
      } else {
        repainted_.wait(lock, ended);
      }
    }
  }
  RResult repainted = RepaintDDS(texture, color, 0, workers);
  std::lock_guard<std::mutex> lock(mutex_);
  inProgress_.erase(key);
  repainted_.notify_all();
  if (repainted && bytes_ + texture.size() <= byteLimit_ && !results_.count(key)) {
    try {
      results_.emplace(key, std::make_shared<const std::vector<uint8_t>>(texture));
      bytes_ += texture.size();
    } catch (...) {
      // Without room for the copy the result is simply not kept.
    }
  }
  return repainted;
}

size_t TRepaintCache::Hits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return hits_;
}

TRepaintCache& SharedRepaintCache() {
  static TRepaintCache cache(size_t{128} << 20);
  return cache;
}

}  // namespace pallograph
