#include "platform/FileHandle.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

HANDLE Handle(TFileHandle file) { return static_cast<HANDLE>(file); }

// The largest piece one read or write call takes.
constexpr size_t kMaxPiece = 1u << 30;

}  // namespace

TFileHandle OpenFileHandle(const std::string& path, TFileAccess access) {
  DWORD rights = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (access) {
    case TFileAccess::Read:
      rights = GENERIC_READ;
      break;
    case TFileAccess::ReadWrite:
      break;
    case TFileAccess::Create:
      disposition = CREATE_ALWAYS;
      break;
    case TFileAccess::Append:
      // Without the right to write anywhere, the system puts every write at the end.
      rights = GENERIC_READ | FILE_APPEND_DATA;
      disposition = OPEN_ALWAYS;
      break;
  }
  // Others may read and write the file meanwhile, as with the C run-time's files.
  const HANDLE file =
      CreateFileW(ToWidePath(path).c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    FailFromLastError();
    return nullptr;
  }
  return file;
}

bool CloseFileHandle(TFileHandle file) {
  return CloseHandle(Handle(file)) != 0 || FailFromLastError();
}

size_t ReadFileHandle(TFileHandle file, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const DWORD piece = static_cast<DWORD>(std::min(size - done, kMaxPiece));
    DWORD got = 0;
    if (!ReadFile(Handle(file), static_cast<char*>(buffer) + done, piece, &got, nullptr)) {
      FailFromLastError();
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool WriteFileHandle(TFileHandle file, const void* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const DWORD piece = static_cast<DWORD>(std::min(size - done, kMaxPiece));
    DWORD written = 0;
    if (!WriteFile(Handle(file), static_cast<const char*>(data) + done, piece, &written, nullptr)) {
      return FailFromLastError();
    }
    if (written == 0) return false;
    done += written;
  }
  return true;
}

bool SeekFileHandle(TFileHandle file, int64_t offset, bool fromEnd) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return SetFilePointerEx(Handle(file), distance, nullptr, fromEnd ? FILE_END : FILE_BEGIN) != 0 ||
         FailFromLastError();
}

int64_t TellFileHandle(TFileHandle file) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(Handle(file), zero, &position, FILE_CURRENT)) {
    FailFromLastError();
    return -1;
  }
  return position.QuadPart;
}

bool TruncateFileHandle(TFileHandle file, int64_t size) {
  const int64_t here = TellFileHandle(file);
  if (here < 0 || !SeekFileHandle(file, size, false)) return false;
  const bool cut = SetEndOfFile(Handle(file)) != 0 || FailFromLastError();
  return SeekFileHandle(file, here, false) && cut;
}

// Writes go to the system at once: nothing is held back here.
bool FlushFileHandle(TFileHandle) { return true; }

}  // namespace pallograph
