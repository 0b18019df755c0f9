#include "mods/PackageReader.h"

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

void TPackageReader::Extract(uint32_t index, TStream& stream) {
  impl_->Reader->ExtractItemToStream(index, stream);
}

}  // namespace pallograph
