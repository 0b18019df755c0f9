#include "platform/FileHandle.h"

#include <sys/types.h>
#include <unistd.h>

namespace pallograph {

int SeekHandle(std::FILE* handle, int64_t offset, int origin) {
  return fseeko(handle, static_cast<off_t>(offset), origin);
}

int64_t TellHandle(std::FILE* handle) { return static_cast<int64_t>(ftello(handle)); }

bool TruncateHandle(std::FILE* handle, int64_t size) {
  return ftruncate(fileno(handle), static_cast<off_t>(size)) == 0;
}

}  // namespace pallograph
