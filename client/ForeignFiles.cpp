#include "client/ForeignFiles.h"

#include <vector>

#include "platform/FileSystem.h"

namespace pallograph {

std::string ReadForeignText(const std::string& path, int64_t limit) {
  std::vector<uint8_t> bytes;
  if (ReadFileUpTo(path, limit, bytes) != TBoundedRead::Read) return {};
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace pallograph
