#include "platform/FileHandle.h"

#include <io.h>

namespace pallograph {

int SeekHandle(std::FILE* handle, int64_t offset, int origin) {
  return _fseeki64(handle, offset, origin);
}

int64_t TellHandle(std::FILE* handle) { return _ftelli64(handle); }

bool TruncateHandle(std::FILE* handle, int64_t size) {
  return _chsize_s(_fileno(handle), size) == 0;
}

}  // namespace pallograph
