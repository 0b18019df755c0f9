#include "platform/OwnerLock.h"

#include <windows.h>

#include <string>

#include "platform/win32/WideApi.h"

namespace pallograph {

struct TOwnerLock::THandle {
  HANDLE File;
  explicit THandle(HANDLE file) : File(file) {}
  ~THandle() { CloseHandle(File); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
};

TOwnerLock::TOwnerLock(std::string path, std::unique_ptr<THandle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

TOwnerLock::~TOwnerLock() {
  // Closed first: the file is opened without sharing, so it cannot be deleted while open. A
  // process that takes it in between keeps it open, and then the deletion fails harmlessly.
  handle_.reset();
  DeleteFileW(ToWidePath(path_).c_str());
}

TOwnerLock::TState TOwnerLock::TakeFile(const std::string& path, bool create,
                                        std::unique_ptr<TOwnerLock>& lock) {
  // No sharing: while this process has the file open, every other open fails; the system
  // closes the handle when the process ends, however it ends.
  const HANDLE file =
      CreateFileW(ToWidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? TState::Held
                                                                             : TState::Failed;
  }
  auto handle = std::make_unique<THandle>(file);
  const std::string pid = std::to_string(GetCurrentProcessId()) + "\r\n";
  DWORD written = 0;
  SetEndOfFile(file);
  WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
  lock = std::make_unique<TOwnerLock>(path, std::move(handle));
  return TState::Taken;
}

}  // namespace pallograph
