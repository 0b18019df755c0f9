// One client package opened for a walk by a mod job. Creates its own archive reader through the
// archive library, opens the package, and closes it when the object goes, also when an exception
// leaves the walk. Entry paths come package-relative with '\' separators. Not shared between
// threads: every job owns its reader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mods/EntryBounds.h"
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
  // The entry's size as the package declares it.
  uint64_t DeclaredSize(uint32_t index);
  // Writes the entry's bytes to `stream` at its current position. An entry that declares more
  // bytes than its kind can hold is refused before anything is read, and one that delivers more
  // than it declares is stopped there; both throw EEntryTooLarge (mods/EntryBounds.h), naming the
  // entry and the sizes. Throws the binding's exceptions on other extraction errors.
  void Extract(uint32_t index, TStream& stream, TEntryKind kind);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace pallograph
