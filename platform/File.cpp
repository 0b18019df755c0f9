#include "platform/File.h"

#include <cerrno>
#include <utility>

#include "platform/FaultInjection.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

#include "platform/FileHandle.h"

namespace pallograph {

TFile::~TFile() { Close(); }

TFile::TFile(TFile&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)) {}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

bool TFile::Open(const std::string& path, Mode mode) {
  Close();
  const std::string native = ToNativePath(path);
  const char* flags = "rb";
  switch (mode) {
    case Mode::Read:
      flags = "rb";
      break;
    case Mode::ReadWrite:
      flags = "r+b";
      break;
    case Mode::Create:
      flags = "w+b";
      break;
    case Mode::Append:
      flags = "a+b";
      break;
  }
  const bool create = mode == Mode::Create || mode == Mode::Append;
  const std::string what = (create ? "Cannot create \"" : "Cannot open \"") + path + "\"";
  errno = 0;
  if (fault::OnOpen(path, create)) return FailWithSystemError(what);
  handle_ = std::fopen(native.c_str(), flags);
  if (!handle_) return FailWithSystemError(what);
  path_ = path;
  if (mode != Mode::Read) fault::OnOpened(handle_, path);
  if (mode == Mode::Append) SeekToEnd();
  return true;
}

bool TFile::Close() {
  if (!handle_) return true;
  fault::OnClose(handle_);
  errno = 0;
  const bool ok = std::fclose(handle_) == 0;
  handle_ = nullptr;
  return ok || FailWithSystemError("Cannot write \"" + path_ + "\"");
}

size_t TFile::Read(void* buffer, size_t size) {
  if (!handle_ || size == 0) return 0;
  return std::fread(buffer, 1, size, handle_);
}

bool TFile::ReadExact(void* buffer, size_t size) { return size == 0 || Read(buffer, size) == size; }

bool TFile::WriteExact(const void* data, size_t size) {
  if (!handle_) return false;
  errno = 0;
  if (fault::OnWrite(handle_, size)) return FailWithSystemError("Cannot write \"" + path_ + "\"");
  if (size == 0 || std::fwrite(data, 1, size, handle_) == size) return true;
  return FailWithSystemError("Cannot write \"" + path_ + "\"");
}

bool TFile::Seek(int64_t offset) { return handle_ && SeekHandle(handle_, offset, SEEK_SET) == 0; }

bool TFile::SeekToEnd() { return handle_ && SeekHandle(handle_, 0, SEEK_END) == 0; }

int64_t TFile::Position() { return handle_ ? TellHandle(handle_) : -1; }

int64_t TFile::Size() {
  if (!handle_) return -1;
  const int64_t here = Position();
  if (here < 0 || !SeekToEnd()) return -1;
  const int64_t size = Position();
  Seek(here);
  return size;
}

bool TFile::SetSize(int64_t size) {
  if (!handle_ || std::fflush(handle_) != 0) return false;
  return TruncateHandle(handle_, size);
}

bool TFile::Flush() { return handle_ && std::fflush(handle_) == 0; }

}  // namespace pallograph
