#include "platform/FileHandle.h"

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>

#include "platform/NativePath.h"

namespace pallograph {

namespace {

std::FILE* Stream(TFileHandle file) { return static_cast<std::FILE*>(file); }

}  // namespace

TFileHandle OpenFileHandle(const std::string& path, TFileAccess access) {
  const char* flags = "rb";
  switch (access) {
    case TFileAccess::Read:
      flags = "rb";
      break;
    case TFileAccess::ReadWrite:
      flags = "r+b";
      break;
    case TFileAccess::Create:
      flags = "w+b";
      break;
    case TFileAccess::Append:
      flags = "a+b";
      break;
  }
  return std::fopen(ToNativePath(path).c_str(), flags);
}

bool CloseFileHandle(TFileHandle file) { return std::fclose(Stream(file)) == 0; }

size_t ReadFileHandle(TFileHandle file, void* buffer, size_t size) {
  return std::fread(buffer, 1, size, Stream(file));
}

bool WriteFileHandle(TFileHandle file, const void* data, size_t size) {
  return std::fwrite(data, 1, size, Stream(file)) == size;
}

bool SeekFileHandle(TFileHandle file, int64_t offset, bool fromEnd) {
  return fseeko(Stream(file), static_cast<off_t>(offset), fromEnd ? SEEK_END : SEEK_SET) == 0;
}

int64_t TellFileHandle(TFileHandle file) { return static_cast<int64_t>(ftello(Stream(file))); }

bool TruncateFileHandle(TFileHandle file, int64_t size) {
  return std::fflush(Stream(file)) == 0 &&
         ftruncate(fileno(Stream(file)), static_cast<off_t>(size)) == 0;
}

bool FlushFileHandle(TFileHandle file) { return std::fflush(Stream(file)) == 0; }

}  // namespace pallograph
