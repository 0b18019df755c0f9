// An open file on a program path: RAII owner of the operating system's handle. Reads and writes
// at any size; seekable. Not shared between threads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileHandle.h"

namespace pallograph {

class TFile {
 public:
  // Read, ReadWrite, Create or Append (platform/FileHandle.h).
  using Mode = TFileAccess;

  TFile() = default;
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;

  // Every failing call below sets the thread's last file error (platform/LastError.h) with the
  // path and the system's text.
  bool Open(const std::string& path, Mode mode);
  bool IsOpen() const { return handle_ != nullptr; }
  // Flushes and closes; false when the data could not be written out.
  bool Close();

  // Bytes read (0 at the end or on failure).
  size_t Read(void* buffer, size_t size);
  bool ReadExact(void* buffer, size_t size);
  bool WriteExact(const void* data, size_t size);
  bool Seek(int64_t offset);  // from the start
  bool SeekToEnd();
  int64_t Position();
  int64_t Size();  // -1 on failure
  bool SetSize(int64_t size);
  bool Flush();

 private:
  TFileHandle handle_ = nullptr;
  std::string path_;
};

}  // namespace pallograph
