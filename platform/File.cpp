#include "platform/File.h"

#include <cerrno>
#include <utility>

#include "platform/FaultInjection.h"
#include "platform/LastError.h"

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
  const bool create = mode == Mode::Create || mode == Mode::Append;
  const std::string what = (create ? "Cannot create \"" : "Cannot open \"") + path + "\"";
  errno = 0;
  if (fault::OnOpen(path, create)) return FailWithSystemError(what);
  handle_ = OpenFileHandle(path, mode);
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
  const bool ok = CloseFileHandle(handle_);
  handle_ = nullptr;
  return ok || FailWithSystemError("Cannot write \"" + path_ + "\"");
}

size_t TFile::Read(void* buffer, size_t size) {
  if (!handle_ || size == 0) return 0;
  return ReadFileHandle(handle_, buffer, size);
}

bool TFile::ReadExact(void* buffer, size_t size) { return size == 0 || Read(buffer, size) == size; }

bool TFile::WriteExact(const void* data, size_t size) {
  if (!handle_) return false;
  errno = 0;
  if (fault::OnWrite(handle_, size)) return FailWithSystemError("Cannot write \"" + path_ + "\"");
  if (size == 0 || WriteFileHandle(handle_, data, size)) return true;
  return FailWithSystemError("Cannot write \"" + path_ + "\"");
}

bool TFile::Seek(int64_t offset) { return handle_ && SeekFileHandle(handle_, offset, false); }

bool TFile::SeekToEnd() { return handle_ && SeekFileHandle(handle_, 0, true); }

int64_t TFile::Position() { return handle_ ? TellFileHandle(handle_) : -1; }

int64_t TFile::Size() {
  if (!handle_) return -1;
  const int64_t here = Position();
  if (here < 0 || !SeekToEnd()) return -1;
  const int64_t size = Position();
  Seek(here);
  return size;
}

bool TFile::SetSize(int64_t size) { return handle_ && TruncateFileHandle(handle_, size); }

bool TFile::Flush() { return handle_ && FlushFileHandle(handle_); }

}  // namespace pallograph
