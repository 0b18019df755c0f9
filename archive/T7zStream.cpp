#include "archive/T7zStream.h"

#include <limits>

namespace pallograph {

using namespace sevenzip;

T7zRef<T7zStream> T7zStream::Borrow(TStream& stream) {
  return MakeComObject<T7zStream>(&stream, nullptr);
}

T7zRef<T7zStream> T7zStream::Own(std::unique_ptr<TStream> stream) {
  TStream* raw = stream.get();
  return MakeComObject<T7zStream>(raw, std::move(stream));
}

HRESULT T7zStream::QueryInterface(const GUID& iid, void** out) noexcept {
  void* found = nullptr;
  if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream) {
    found = static_cast<IInStream*>(this);
  } else if (iid == IID_ISequentialOutStream || iid == IID_IOutStream) {
    found = static_cast<IOutStream*>(this);
  } else if (iid == IID_IStreamGetSize) {
    found = static_cast<IStreamGetSize*>(this);
  }
  return Answer(found, out);
}

HRESULT T7zStream::Read(void* data, uint32_t size, uint32_t* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (size == 0) return S_OK;
  if (!data) return E_INVALIDARG;
  try {
    const size_t read = stream_->Read(data, size);
    if (processedSize) *processedSize = static_cast<uint32_t>(read);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT T7zStream::Write(const void* data, uint32_t size, uint32_t* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (size == 0) return S_OK;
  if (!data) return E_INVALIDARG;
  try {
    const size_t written = stream_->Write(data, size);
    if (processedSize) *processedSize = static_cast<uint32_t>(written);
    return written == size ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT T7zStream::Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) noexcept {
  try {
    int64_t base = 0;
    switch (origin) {
      case kSeekSet:
        break;
      case kSeekCur:
        base = stream_->Position();
        break;
      case kSeekEnd:
        base = stream_->Size();
        break;
      default:
        return E_INVALIDARG;
    }
    if (base < 0) return E_FAIL;
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return E_INVALIDARG;
    const int64_t target = base + offset;
    if (target < 0) return kNegativeSeek;
    if (!stream_->Seek(target)) return E_FAIL;
    if (newPosition) *newPosition = static_cast<uint64_t>(target);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT T7zStream::SetSize(uint64_t newSize) noexcept {
  if (newSize > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return E_INVALIDARG;
  try {
    return stream_->SetSize(static_cast<int64_t>(newSize)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT T7zStream::GetSize(uint64_t* size) noexcept {
  if (!size) return E_INVALIDARG;
  try {
    const int64_t current = stream_->Size();
    if (current < 0) return E_FAIL;
    *size = static_cast<uint64_t>(current);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace pallograph
