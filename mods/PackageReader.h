// One client package opened for a walk by a mod job. Creates its own archive reader through the
// archive library, opens the package, and closes it when the object goes, also when an exception
// leaves the walk. Entry paths come package-relative with '\' separators. Not shared between
// threads: every job owns its reader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Stream.h"

namespace pallograph {

class TPackageReader {
 public:
  // libraryPath: the archive library file; packagePath: program path of the package. Throws
  // the archive binding's exceptions when the library or the package cannot be opened.
  TPackageReader(const std::string& libraryPath, const std::string& packagePath);
  ~TPackageReader();
  TPackageReader(const TPackageReader&) = delete;
  TPackageReader& operator=(const TPackageReader&) = delete;

  uint32_t Count();
  bool IsFolder(uint32_t index);
  std::string Path(uint32_t index);
  // Writes the entry's bytes to `stream` at its current position. Throws on an extraction error.
  void Extract(uint32_t index, TStream& stream);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace pallograph
