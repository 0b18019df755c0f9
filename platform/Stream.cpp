#include "platform/Stream.h"

#include <algorithm>
#include <cstring>

namespace pallograph {

size_t TMemoryStream::Read(void* buffer, size_t size) {
  if (position_ >= data_.size()) return 0;
  const size_t n = std::min(size, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* data, size_t size) {
  if (size == 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (position_ == data_.size()) {
    // Appending (an extraction): copied once, not zero-filled first.
    data_.insert(data_.end(), bytes, bytes + size);
  } else {
    if (position_ + size > data_.size()) data_.resize(position_ + size);
    std::memcpy(data_.data() + position_, bytes, size);
  }
  position_ += size;
  return size;
}

size_t TLimitedStream::Write(const void* data, size_t size) {
  const int64_t position = target_.Position();
  if (overflowed_ || position < 0 || static_cast<uint64_t>(position) > limit_ ||
      size > limit_ - static_cast<uint64_t>(position)) {
    overflowed_ = true;
    return 0;
  }
  return target_.Write(data, size);
}

bool TLimitedStream::SetSize(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > limit_) {
    overflowed_ = true;
    return false;
  }
  return target_.SetSize(size);
}

bool TMemoryStream::Seek(int64_t position) {
  if (position < 0) return false;
  position_ = static_cast<size_t>(position);
  return true;
}

bool TMemoryStream::SetSize(int64_t size) {
  if (size < 0) return false;
  data_.resize(static_cast<size_t>(size));
  if (position_ > data_.size()) position_ = data_.size();
  return true;
}

TFileStream::TFileStream(const std::string& path, TFile::Mode mode) { file_.Open(path, mode); }

}  // namespace pallograph
