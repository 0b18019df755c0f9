#include "client/ForeignFiles.h"

#include <vector>

#include "platform/FileSystem.h"

namespace pallograph {

std::string ReadForeignText(const std::string& path, int64_t limit) {
  // FileExists only holds for a regular file: a pipe or a device would block the read.
  if (!FileExists(path)) return {};
  const int64_t size = GetFileSizeSafe(path);
  if (size < 0 || size > limit) return {};
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes) || static_cast<int64_t>(bytes.size()) > limit) return {};
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace pallograph
