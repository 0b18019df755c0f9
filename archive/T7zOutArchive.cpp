#include "archive/T7zOutArchive.h"

#include <algorithm>
#include <memory>

#include "archive/ESevenZipError.h"
#include "archive/T7zCallback.h"
#include "archive/T7zStream.h"
#include "archive/TPendingFiles.h"
#include "archive/WideText.h"
#include "platform/ComAbi.h"
#include "platform/FileSystem.h"
#include "platform/NamePattern.h"
#include "platform/PathText.h"

namespace pallograph {

using namespace sevenzip;

namespace {

// Entry sizes are 32-bit fields.
constexpr uint64_t kMaxEntrySize = 0x80000000ull;
constexpr uint32_t kFolderAttribute = 0x10;
constexpr uint32_t kArchiveAttribute = 0x20;

bool MatchesMask(std::string_view name, std::string_view mask) {
  return mask == "*.*" || MatchesPattern(mask, name);
}

std::vector<std::string> SplitMasks(const std::string& masks) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= masks.size()) {
    size_t end = masks.find(';', start);
    if (end == std::string::npos) end = masks.size();
    std::string mask = Trim(std::string_view(masks).substr(start, end - start));
    if (!mask.empty()) result.push_back(std::move(mask));
    start = end + 1;
  }
  return result;
}

// One part number through a printf-style "%d" conversion (flags '0' and '-', width, precision);
// everything else of the format is copied.
std::string FormatPartNumber(const std::string& format, size_t number) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out.push_back(format[i]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool zeroPad = false, leftAlign = false;
    for (; j < format.size() && (format[j] == '0' || format[j] == '-'); ++j) {
      (format[j] == '0' ? zeroPad : leftAlign) = true;
    }
    size_t width = 0, precision = 0;
    for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j) {
      width = std::min<size_t>(width * 10 + static_cast<size_t>(format[j] - '0'), 64);
    }
    bool hasPrecision = false;
    if (j < format.size() && format[j] == '.') {
      hasPrecision = true;
      for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j) {
        precision = std::min<size_t>(precision * 10 + static_cast<size_t>(format[j] - '0'), 64);
      }
    }
    if (j >= format.size() || (format[j] != 'd' && format[j] != 'u')) {
      out.append(format, i, j - i);  // not a number conversion: copied as it is
      i = j - 1;
      continue;
    }
    std::string digits = std::to_string(number);
    if (digits.size() < precision) digits.insert(0, precision - digits.size(), '0');
    if (digits.size() < width) {
      const char fill = (zeroPad && !hasPrecision && !leftAlign) ? '0' : ' ';
      if (leftAlign) {
        digits.append(width - digits.size(), ' ');
      } else {
        digits.insert(0, width - digits.size(), fill);
      }
    }
    out += digits;
    i = j;
  }
  return out;
}

}  // namespace

// The writer's update callback for one UpdateItems call.
class T7zWriterCallback final
    : public T7zCallback<T7zWriterCallback, T7zOutArchive, IArchiveUpdateCallback,
                         ICryptoGetTextPassword2> {
 public:
  using T7zCallback::T7zCallback;

  HRESULT QueryInterface(const GUID& iid, void** out) noexcept override {
    void* found = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveUpdateCallback) {
      found = static_cast<IArchiveUpdateCallback*>(this);
    } else if (iid == IID_ICryptoGetTextPassword2) {
      found = static_cast<ICryptoGetTextPassword2*>(this);
    }
    return Answer(found, out);
  }

  HRESULT SetTotal(uint64_t total) noexcept override { return ForwardProgress(true, &total); }
  HRESULT SetCompleted(const uint64_t* value) noexcept override {
    return ForwardProgress(false, value);
  }

  HRESULT GetUpdateItemInfo(uint32_t, int32_t* newData, int32_t* newProps,
                            uint32_t* indexInArchive) noexcept override {
    // Every entry is new: new data, new properties, no entry of an old archive.
    if (newData) *newData = 1;
    if (newProps) *newProps = 1;
    if (indexInArchive) *indexInArchive = UINT32_MAX;
    return S_OK;
  }

  HRESULT GetProperty(uint32_t index, PROPID propId, PROPVARIANT* value) noexcept override {
    if (!value) return E_INVALIDARG;
    return Forward([&](T7zOutArchive& writer) {
      writer.ItemProperty(index, propId, value);
      return S_OK;
    });
  }

  HRESULT GetStream(uint32_t index, ISequentialInStream** stream) noexcept override {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    return Forward([&](T7zOutArchive& writer) { return writer.ItemStream(index, stream); });
  }

  HRESULT SetOperationResult(int32_t) noexcept override { return S_OK; }

  HRESULT CryptoGetTextPassword2(int32_t* isDefined, BSTR* password) noexcept override {
    if (!isDefined || !password) return E_INVALIDARG;
    *isDefined = 0;
    *password = nullptr;
    return Forward([&](T7zOutArchive& writer) {
      if (!writer.password_.empty()) {
        *password = AllocBstr(writer.password_);
        *isDefined = 1;
      }
      return S_OK;
    });
  }
};

T7zOutArchive::T7zOutArchive(const std::string& libraryPath)
    : T7zArchive(libraryPath), batches_(1) {}

T7zOutArchive::~T7zOutArchive() = default;

IOutArchive& T7zOutArchive::OutArchive() {
  if (!archive_) {
    CreateObject(GetFormatId(), IID_IOutArchive, archive_.Put());
    if (!archive_) throw ESevenZipError(ResultCodeText(E_NOINTERFACE), E_NOINTERFACE);
  }
  return *archive_;
}

void T7zOutArchive::AddItem(T7zBatchItem item) {
  if (partSizeLimit_ > 0) {
    uint64_t sum = 0;
    for (const T7zBatchItem& queued : batches_.back()) sum += queued.Size;
    if (!batches_.back().empty() && sum + item.Size >= partSizeLimit_) batches_.emplace_back();
  }
  batches_.back().push_back(std::move(item));
}

void T7zOutArchive::AddStream(std::shared_ptr<TStream> stream, uint32_t attributes,
                              uint64_t creationTime, uint64_t lastWriteTime,
                              const std::string& archivePath, bool isFolder, bool isAnti) {
  int64_t size = 0;
  if (stream) {
    size = stream->Size();
    if (size < 0)
      throw EInOutError("Cannot get the size of the stream for \"" + archivePath + "\"");
    if (static_cast<uint64_t>(size) >= kMaxEntrySize) {
      throw ERangeError("Stream too large for an archive entry (2 GiB or more): \"" + archivePath +
                        "\"");
    }
  }
  T7zBatchItem item;
  item.Source = T7zBatchItem::TSource::Stream;
  item.Stream = std::move(stream);
  item.Attributes = attributes;
  item.CreationTime = creationTime;
  item.LastWriteTime = lastWriteTime;
  item.ArchivePath = archivePath;
  item.IsFolder = isFolder;
  item.IsAnti = isAnti;
  item.Size = static_cast<uint32_t>(size);
  AddItem(std::move(item));
}

void T7zOutArchive::AddFile(const std::string& filePath, const std::string& archivePath) {
  if (!FileExists(filePath)) return;
  T7zBatchItem item;
  item.Source = T7zBatchItem::TSource::File;
  item.SourceFile = filePath;
  item.ArchivePath = archivePath;
  item.Attributes = kArchiveAttribute;
  const std::string name = ExtractFileName(filePath);
  int64_t size = -1;
  for (const TDirEntry& entry : ListDirectory(ExtractFilePath(filePath))) {
    if (entry.Name == name && !entry.IsDirectory) {
      item.Attributes = entry.Attributes;
      item.CreationTime = entry.CreationTime;
      item.LastWriteTime = entry.LastWriteTime;
      size = static_cast<int64_t>(entry.Size);
      break;
    }
  }
  if (size < 0) size = GetFileSizeSafe(filePath);
  if (size < 0) throw EInOutError("Cannot open file \"" + filePath + "\"");
  if (static_cast<uint64_t>(size) >= kMaxEntrySize) {
    throw ERangeError("File too large for an archive entry (2 GiB or more): \"" + filePath + "\"");
  }
  item.Size = static_cast<uint32_t>(size);
  AddItem(std::move(item));
}

void T7zOutArchive::AddFolder(const std::string& folder, const std::string& archiveFolder,
                              const std::string& masks, bool recurse) {
  const std::string start = IncludeTrailingBackslash(folder);
  const std::string prefix = archiveFolder.empty() ? "" : IncludeTrailingBackslash(archiveFolder);
  Scan(start, start.size(), prefix, SplitMasks(masks), recurse);
}

void T7zOutArchive::Scan(const std::string& folder, size_t relativeStart,
                         const std::string& archiveFolder, const std::vector<std::string>& masks,
                         bool recurse) {
  bool ok = true;
  std::vector<TDirEntry> entries = ListDirectory(folder, &ok);
  if (!ok) throw EInOutError("Cannot list folder \"" + folder + "\"");
  std::sort(entries.begin(), entries.end(),
            [](const TDirEntry& a, const TDirEntry& b) { return a.Name < b.Name; });
  if (recurse) {
    for (const TDirEntry& entry : entries) {
      if (entry.IsDirectory && !StartsWith(entry.Name, ".")) {
        Scan(folder + entry.Name + kPathDelim, relativeStart, archiveFolder, masks, recurse);
      }
    }
  }
  for (const std::string& mask : masks) {
    for (const TDirEntry& entry : entries) {
      if (entry.IsDirectory || !MatchesMask(entry.Name, mask)) continue;
      const std::string path = folder + entry.Name;
      if (entry.Size >= kMaxEntrySize) {
        throw ERangeError("File too large for an archive entry (2 GiB or more): \"" + path + "\"");
      }
      T7zBatchItem item;
      item.Source = T7zBatchItem::TSource::File;
      item.SourceFile = path;
      item.ArchivePath = archiveFolder + path.substr(relativeStart);
      item.Attributes = entry.Attributes;
      item.CreationTime = entry.CreationTime;
      item.LastWriteTime = entry.LastWriteTime;
      item.Size = static_cast<uint32_t>(entry.Size);
      AddItem(std::move(item));
    }
  }
}

std::string PartFileName(const std::string& path, const std::string& format, size_t number) {
  return ChangeFileExt(path, FormatPartNumber(format, number) + ExtractFileExt(path));
}

std::string T7zOutArchive::PartFileName(const std::string& path, size_t number) const {
  return pallograph::PartFileName(path, partNameFormat_, number);
}

void T7zOutArchive::WriteToFile(const std::string& path) {
  TPendingFiles pending;
  if (batches_.size() < 2) {
    WriteBatchToFile(pending.Add(path), 0);
  } else {
    for (size_t i = 0; i < batches_.size(); ++i) {
      SetCurrentBatch(i);
      WriteBatchToFile(pending.Add(PartFileName(path, i + 1)), i);
    }
  }
  if (!pending.Commit())
    throw EInOutError("Cannot rename the archive into place: \"" + path + "\"");
}

void T7zOutArchive::WriteBatchToFile(const std::string& path, size_t batchIndex) {
  TFileStream file(path, TFile::Mode::Create);
  if (!file.IsOpen()) throw EInOutError("Cannot create file \"" + path + "\"");
  WriteBatchToStream(file, batchIndex);
  if (!file.Close()) throw EInOutError("Cannot write file \"" + path + "\"");
}

void T7zOutArchive::WriteBatchToStream(TStream& stream, size_t batchIndex) {
  if (batchIndex >= batches_.size()) {
    throw ERangeError("Batch index " + std::to_string(batchIndex) + " out of range");
  }
  IOutArchive& archive = OutArchive();
  const TBatchList& batch = batches_[batchIndex];
  T7zRef<T7zStream> output = T7zStream::Borrow(stream);
  HRESULT result;
  writingBatch_ = &batch;
  {
    T7zCallbackScope<T7zWriterCallback> callback(this);
    result = archive.UpdateItems(output->AsOutStream(), static_cast<uint32_t>(batch.size()),
                                 callback.Get());
  }
  writingBatch_ = nullptr;
  if (std::exception_ptr error = callbackError_.Take()) std::rethrow_exception(error);
  CheckResult(result);
}

void T7zOutArchive::ClearBatches() {
  batches_.assign(1, TBatchList{});
  currentBatch_ = 0;
}

void T7zOutArchive::SetCurrentBatch(size_t index) {
  if (index >= batches_.size()) {
    throw ERangeError("Batch index " + std::to_string(index) + " out of range");
  }
  currentBatch_ = index;
}

void T7zOutArchive::SetPropertyValue(const std::string& name, const PROPVARIANT& value) {
  T7zRef<ISetProperties> properties;
  const HRESULT found = OutArchive().QueryInterface(IID_ISetProperties, properties.Put());
  if (found != S_OK || !properties) CheckResult(found != S_OK ? found : E_NOINTERFACE);
  const std::wstring wideName = Utf8ToWide(name);
  const wchar_t* names[] = {wideName.c_str()};
  // One value per call: the library's value stride is not ours on every platform.
  CheckResult(properties->SetProperties(names, &value, 1));
}

void T7zOutArchive::SetProperty(const std::string& name, const std::string& value) {
  TPropVariant text;
  text.In()->bstrVal = AllocBstr(value);
  text.In()->vt = VT_BSTR;
  SetPropertyValue(name, text.Value());
}

void T7zOutArchive::SetProperty(const std::string& name, uint32_t value) {
  PROPVARIANT number{};
  number.vt = VT_UI4;
  number.ulVal = value;
  SetPropertyValue(name, number);
}

const T7zBatchItem& T7zOutArchive::Item(uint32_t index) const {
  if (!writingBatch_ || index >= writingBatch_->size()) {
    throw ERangeError("Archive item index " + std::to_string(index) + " out of range");
  }
  return (*writingBatch_)[index];
}

// Only `vt` and the value are written: the library's value may be smaller than ours.
void T7zOutArchive::ItemProperty(uint32_t index, PROPID propId, PROPVARIANT* value) const {
  const T7zBatchItem& item = Item(index);
  switch (propId) {
    case kpidPath:
      if (!item.ArchivePath.empty()) {
        value->bstrVal = AllocBstr(BackslashesToSlashes(item.ArchivePath));
        value->vt = VT_BSTR;
      }
      break;
    case kpidIsDir:
      value->vt = VT_BOOL;
      value->boolVal = item.IsFolder ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case kpidSize:
      value->vt = VT_UI8;
      value->uhVal = item.Size;
      break;
    case kpidAttrib:
      value->vt = VT_UI4;
      value->ulVal = ArchiveEntryAttributes(
          item.IsFolder ? (item.Attributes | kFolderAttribute) : item.Attributes, item.IsFolder);
      break;
    case kpidCTime:
    case kpidMTime: {
      const uint64_t time = propId == kpidCTime ? item.CreationTime : item.LastWriteTime;
      if (time != 0) {
        value->vt = VT_FILETIME;
        value->wReserved1 = 0;
        value->filetime.dwLowDateTime = static_cast<uint32_t>(time);
        value->filetime.dwHighDateTime = static_cast<uint32_t>(time >> 32);
      }
      break;
    }
    case kpidIsAnti:
      value->vt = VT_BOOL;
      value->boolVal = item.IsAnti ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    default:
      break;
  }
}

HRESULT T7zOutArchive::ItemStream(uint32_t index, ISequentialInStream** out) const {
  const T7zBatchItem& item = Item(index);
  if (item.IsFolder) return S_OK;
  T7zRef<T7zStream> stream;
  if (item.Source == T7zBatchItem::TSource::File) {
    auto file = std::make_unique<TFileStream>(item.SourceFile, TFile::Mode::Read);
    if (!file->IsOpen()) throw EInOutError("Cannot open file \"" + item.SourceFile + "\"");
    stream = T7zStream::Own(std::move(file));
  } else {
    if (!item.Stream) throw EInOutError("No data stream for \"" + item.ArchivePath + "\"");
    if (!item.Stream->Seek(0))
      throw EInOutError("Cannot rewind the stream of \"" + item.ArchivePath + "\"");
    stream = T7zStream::Borrow(*item.Stream);
  }
  *out = stream.Detach()->AsInStream();
  return S_OK;
}

HRESULT T7zOutArchive::Progress(bool isTotal, uint64_t value) {
  return progressCallback_ ? progressCallback_(isTotal, value) : S_OK;
}

}  // namespace pallograph
