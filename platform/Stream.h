// The program's byte streams: seekable, with read, write, seek, size and set-size. A memory
// stream holds a whole file in memory (package entries are changed there); a file stream wraps
// an open file. Streams are not shared between threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

namespace pallograph {

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes read (fewer at the end of the stream; 0 on failure).
  virtual size_t Read(void* buffer, size_t size) = 0;
  // Bytes written (fewer only on failure).
  virtual size_t Write(const void* data, size_t size) = 0;
  // Moves to an absolute position; false when impossible.
  virtual bool Seek(int64_t position) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;
  virtual bool SetSize(int64_t size) = 0;
  // A hint that about `size` bytes will be written: a memory stream allocates them at once.
  virtual void Reserve(uint64_t /*size*/) {}
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}

  size_t Read(void* buffer, size_t size) override;
  size_t Write(const void* data, size_t size) override;
  bool Seek(int64_t position) override;
  int64_t Position() const override { return static_cast<int64_t>(position_); }
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  bool SetSize(int64_t size) override;
  void Reserve(uint64_t size) override { data_.reserve(static_cast<size_t>(size)); }
  void Clear() {
    data_.clear();
    position_ = 0;
  }

  std::vector<uint8_t>& Data() { return data_; }
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  size_t position_ = 0;
};

// Passes reads and writes to another stream, but refuses any write that would reach past
// `limit` bytes: such a write writes nothing and returns 0, and Overflowed() is true from then on.
// Bounds what an untrusted source (a package entry) can make the program write.
class TLimitedStream final : public TStream {
 public:
  TLimitedStream(TStream& target, uint64_t limit) : target_(target), limit_(limit) {}

  size_t Read(void* buffer, size_t size) override { return target_.Read(buffer, size); }
  size_t Write(const void* data, size_t size) override;
  bool Seek(int64_t position) override { return target_.Seek(position); }
  int64_t Position() const override { return target_.Position(); }
  int64_t Size() const override { return target_.Size(); }
  bool SetSize(int64_t size) override;
  bool Overflowed() const { return overflowed_; }

 private:
  TStream& target_;
  uint64_t limit_;
  bool overflowed_ = false;
};

class TFileStream final : public TStream {
 public:
  // Opens the file; IsOpen() tells whether that worked.
  TFileStream(const std::string& path, TFile::Mode mode);
  bool IsOpen() const { return file_.IsOpen(); }
  // Flushes and closes; false when the data could not be written out.
  bool Close() { return file_.Close(); }

  size_t Read(void* buffer, size_t size) override { return file_.Read(buffer, size); }
  size_t Write(const void* data, size_t size) override {
    return file_.WriteExact(data, size) ? size : 0;
  }
  bool Seek(int64_t position) override { return file_.Seek(position); }
  int64_t Position() const override { return file_.Position(); }
  int64_t Size() const override { return file_.Size(); }
  bool SetSize(int64_t size) override { return file_.SetSize(size); }

 private:
  mutable TFile file_;
};

}  // namespace pallograph
