#include "mods/RepaintCache.h"

#include <algorithm>

#include "texture/DDSTexture.h"

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
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = results_.find(key);
    if (found != results_.end()) {
      ++hits_;
      texture = *found->second;
      return RResult::Success();
    }
  }
  RResult repainted = RepaintDDS(texture, color, 0, workers);
  if (!repainted) return repainted;
  std::lock_guard<std::mutex> lock(mutex_);
  if (bytes_ + texture.size() <= byteLimit_ && !results_.count(key)) {
    results_.emplace(std::move(key), std::make_shared<const std::vector<uint8_t>>(texture));
    bytes_ += texture.size();
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
