// Adapter from a program stream (platform/Stream.h) to the library's stream interfaces: read and
// seek for opening archives and reading item data, write, seek and set-size for writing archives
// (the zip writer needs a seekable output for stored entries), and the size query. An owning
// adapter deletes its stream when the library releases the last reference.
#pragma once

#include <memory>

#include "archive/SevenZipAbi.h"
#include "archive/T7zComObject.h"
#include "platform/Stream.h"

namespace pallograph {

class T7zStream final : public T7zComObject<T7zStream, sevenzip::IInStream, sevenzip::IOutStream,
                                            sevenzip::IStreamGetSize> {
 public:
  // Not owned: the stream must outlive every use by the library.
  static T7zRef<T7zStream> Borrow(TStream& stream);
  static T7zRef<T7zStream> Own(std::unique_ptr<TStream> stream);

  sevenzip::HRESULT QueryInterface(const sevenzip::GUID& iid, void** out) noexcept override;
  sevenzip::HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) noexcept override;
  sevenzip::HRESULT Write(const void* data, uint32_t size,
                          uint32_t* processedSize) noexcept override;
  sevenzip::HRESULT Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) noexcept override;
  sevenzip::HRESULT SetSize(uint64_t newSize) noexcept override;
  sevenzip::HRESULT GetSize(uint64_t* size) noexcept override;

  sevenzip::IInStream* AsInStream() { return this; }
  sevenzip::IOutStream* AsOutStream() { return this; }

 private:
  friend class T7zComObject<T7zStream, sevenzip::IInStream, sevenzip::IOutStream,
                            sevenzip::IStreamGetSize>;
  template <class T, class... Args>
  friend T7zRef<T> MakeComObject(Args&&... args);
  T7zStream(TStream* stream, std::unique_ptr<TStream> owned)
      : stream_(stream), owned_(std::move(owned)) {}
  ~T7zStream() = default;

  TStream* stream_;
  std::unique_ptr<TStream> owned_;
};

}  // namespace pallograph
