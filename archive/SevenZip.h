// Entry points of the archive binding: readers and writers for zip archives through the 7-Zip
// library loaded at run time, and the compression method tables.
//
//   auto reader = CreateReader(libraryPath);
//   reader->OpenArchiveFile(packagePath);
//   for (uint32_t i = 0; i < reader->ItemCount(); ++i) ... reader->ItemPath(i) ...
//
// Each thread creates its own reader or writer; the library is loaded by each (the system counts
// the loads) and released when the last reference goes.
#pragma once

#include <array>
#include <string>

#include "archive/ESevenZipError.h"
#include "archive/SevenZipAbi.h"
#include "archive/T7zInArchive.h"
#include "archive/T7zOutArchive.h"
#include "archive/T7zRef.h"

namespace pallograph {

// Zip compression methods by index: 0 "COPY", 1 "DEFLATE", 2 "DEFLATE64", 3 "BZIP2".
inline constexpr std::array<const char*, 4> kZipMethods = {"COPY", "DEFLATE", "DEFLATE64", "BZIP2"};
// 7z-format methods by index: the binding's second table; packages are zips, so the program
// sets methods from kZipMethods only.
inline constexpr std::array<const char*, 7> k7zMethods = {"COPY", "LZMA",    "LZMA2",    "BZIP2",
                                                          "PPMD", "DEFLATE", "DEFLATE64"};

// A zip reader / writer on the library at a program path. Throws ESevenZipError with "Error
// loading library %s", "%s is not a 7z library", "%s is not a Format library", or the refusal of
// a library with an interface layout this binding cannot call.
T7zRef<T7zInArchive> CreateReader(const std::string& libraryPath);
T7zRef<T7zOutArchive> CreateWriter(const std::string& libraryPath);

// Sets the zip method "M" from kZipMethods (0 = stored entries, as .wotmod packages need).
// Throws ERangeError for an unknown index, ESevenZipError when the library refuses.
void SetZipMethod(T7zOutArchive& writer, size_t methodIndex);
inline void SetZipMethod(const T7zRef<T7zOutArchive>& writer, size_t methodIndex) {
  SetZipMethod(*writer, methodIndex);
}

}  // namespace pallograph
