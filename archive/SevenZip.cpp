#include "archive/SevenZip.h"

#include "archive/T7zComObject.h"

namespace pallograph {

T7zRef<T7zInArchive> CreateReader(const std::string& libraryPath) {
  T7zRef<T7zInArchive> reader = MakeComObject<T7zInArchive>(libraryPath);
  reader->SetFormatId(sevenzip::kZipHandlerClassId);
  return reader;
}

T7zRef<T7zOutArchive> CreateWriter(const std::string& libraryPath) {
  T7zRef<T7zOutArchive> writer = MakeComObject<T7zOutArchive>(libraryPath);
  writer->SetFormatId(sevenzip::kZipHandlerClassId);
  return writer;
}

void SetZipMethod(T7zOutArchive& writer, size_t methodIndex) {
  if (methodIndex >= kZipMethods.size()) {
    throw ERangeError("Unknown zip method index " + std::to_string(methodIndex));
  }
  writer.SetProperty("M", std::string(kZipMethods[methodIndex]));
}

}  // namespace pallograph
