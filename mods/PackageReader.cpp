#include "mods/PackageReader.h"

#include <string>

#include "archive/SevenZip.h"

namespace pallograph {

struct TPackageReader::TImpl {
  T7zRef<T7zInArchive> Reader;
};

TPackageReader::TPackageReader(const std::string& libraryPath, const std::string& packagePath)
    : impl_(std::make_unique<TImpl>()) {
  impl_->Reader = CreateReader(libraryPath);
  impl_->Reader->OpenArchiveFile(packagePath);
}

TPackageReader::~TPackageReader() {
  try {
    impl_->Reader->Close();
  } catch (...) {
    // Closing only releases the library's objects; the reference holder frees the rest.
  }
}

uint32_t TPackageReader::Count() { return impl_->Reader->ItemCount(); }

bool TPackageReader::IsFolder(uint32_t index) { return impl_->Reader->ItemIsFolder(index); }

std::string TPackageReader::Path(uint32_t index) { return impl_->Reader->ItemPath(index); }

uint64_t TPackageReader::DeclaredSize(uint32_t index) { return impl_->Reader->ItemSize(index); }

void TPackageReader::Extract(uint32_t index, TStream& stream, TEntryKind kind) {
  const uint64_t declared = DeclaredSize(index);
  const uint64_t bound = EntrySizeBound(kind);
  if (declared > bound) {
    throw EEntryTooLarge("\"" + Path(index) + "\" declares " + std::to_string(declared) +
                         " bytes; a " + EntryKindName(kind) + " holds at most " +
                         std::to_string(bound) + " bytes");
  }
  stream.Reserve(declared);
  TLimitedStream limited(stream, static_cast<uint64_t>(stream.Position()) + declared);
  try {
    impl_->Reader->ExtractItemToStream(index, limited);
  } catch (...) {
    if (!limited.Overflowed()) throw;
  }
  if (limited.Overflowed()) {
    throw EEntryTooLarge("\"" + Path(index) + "\" delivers more than the " +
                         std::to_string(declared) + " bytes its header declares");
  }
}

}  // namespace pallograph
