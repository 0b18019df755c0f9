// 64-bit positioning and truncation of a C file handle: the operating system's own calls.
#pragma once

#include <cstdint>
#include <cstdio>

namespace pallograph {

// fseek with a 64-bit offset; 0 on success.
int SeekHandle(std::FILE* handle, int64_t offset, int origin);
// ftell with a 64-bit result; -1 on failure.
int64_t TellHandle(std::FILE* handle);
// Sets the file's size (the stream must be flushed first).
bool TruncateHandle(std::FILE* handle, int64_t size);

}  // namespace pallograph
