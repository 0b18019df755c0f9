// The operating system's open file behind TFile (platform/File.h): its own calls and nothing
// more, no fault hooks and no error texts. A failing call leaves errno set. One implementation
// per platform: POSIX through the C library's buffered streams, Windows through the system's wide
// file calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pallograph {

enum class TFileAccess {
  Read,       // existing file, read only (others may read and write it too)
  ReadWrite,  // existing file, read and write
  Create,     // create or truncate, read and write
  Append,     // create when missing, read and write; every write goes to the end
};

// An open file as the system knows it; nullptr for none.
using TFileHandle = void*;

// Opens the file at a program path; nullptr on failure.
TFileHandle OpenFileHandle(const std::string& path, TFileAccess access);
// Closes the file; false when buffered data could not be written out.
bool CloseFileHandle(TFileHandle file);
// Bytes read, fewer at the end of the file; 0 on failure.
size_t ReadFileHandle(TFileHandle file, void* buffer, size_t size);
bool WriteFileHandle(TFileHandle file, const void* data, size_t size);
// Moves to `offset` from the start (or from the end); false on failure.
bool SeekFileHandle(TFileHandle file, int64_t offset, bool fromEnd);
// The position; -1 on failure.
int64_t TellFileHandle(TFileHandle file);
// Cuts or extends the file to `size` bytes; the position stays.
bool TruncateFileHandle(TFileHandle file, int64_t size);
// Hands buffered data to the system.
bool FlushFileHandle(TFileHandle file);

}  // namespace pallograph
