#include "archive/T7zInArchive.h"

#include <algorithm>
#include <memory>

#include "archive/ESevenZipError.h"
#include "archive/T7zCallback.h"
#include "archive/WideText.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"

namespace pallograph {

using namespace sevenzip;

namespace {

constexpr uint64_t kMaxStartSearch = 1 << 20;
constexpr uint32_t kUtf8CodePage = 65001;

}  // namespace

// The reader's open and extract callback for one library call.
class T7zReaderCallback final
    : public T7zCallback<T7zReaderCallback, T7zInArchive, IArchiveExtractCallback,
                         IArchiveOpenCallback, ICryptoGetTextPassword> {
 public:
  using T7zCallback::T7zCallback;

  HRESULT QueryInterface(const GUID& iid, void** out) noexcept override {
    void* found = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveExtractCallback) {
      found = static_cast<IArchiveExtractCallback*>(this);
    } else if (iid == IID_IArchiveOpenCallback) {
      found = static_cast<IArchiveOpenCallback*>(this);
    } else if (iid == IID_ICryptoGetTextPassword) {
      found = static_cast<ICryptoGetTextPassword*>(this);
    }
    return Answer(found, out);
  }

  // IProgress (extraction).
  HRESULT SetTotal(uint64_t total) noexcept override { return ForwardProgress(true, &total); }
  HRESULT SetCompleted(const uint64_t* value) noexcept override {
    return ForwardProgress(false, value);
  }

  // IArchiveOpenCallback: progress in bytes.
  HRESULT SetTotal(const uint64_t*, const uint64_t* bytes) noexcept override {
    return ForwardProgress(true, bytes);
  }
  HRESULT SetCompleted(const uint64_t*, const uint64_t* bytes) noexcept override {
    return ForwardProgress(false, bytes);
  }

  HRESULT GetStream(uint32_t index, ISequentialOutStream** out, int32_t askMode) noexcept override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    return Forward([&](T7zInArchive& reader) { return reader.GetItemStream(index, out, askMode); });
  }

  HRESULT PrepareOperation(int32_t) noexcept override { return S_OK; }

  HRESULT SetOperationResult(int32_t result) noexcept override {
    return Forward([&](T7zInArchive& reader) {
      reader.ItemResult(result);
      return S_OK;
    });
  }

  HRESULT CryptoGetTextPassword(BSTR* password) noexcept override {
    if (!password) return E_INVALIDARG;
    *password = nullptr;
    return Forward([&](T7zInArchive& reader) {
      std::string text;
      const HRESULT result = reader.Password(text);
      if (result == S_OK) *password = AllocBstr(text);
      return result;
    });
  }
};

namespace {

using TReaderCallbackScope = T7zCallbackScope<T7zReaderCallback>;

}  // namespace

T7zInArchive::T7zInArchive(const std::string& libraryPath) : T7zArchive(libraryPath) {}

T7zInArchive::~T7zInArchive() {
  try {
    Close();
  } catch (...) {
    // Closing only releases; nothing to report from a destructor.
  }
}

IInArchive* T7zInArchive::InArchive() {
  if (!archive_) {
    CreateObject(GetFormatId(), IID_IInArchive, archive_.Put());
    if (!archive_) throw ESevenZipError(ResultCodeText(E_NOINTERFACE), E_NOINTERFACE);
  }
  return archive_.Get();
}

void T7zInArchive::OpenArchiveFile(const std::string& path) {
  ClearLastFileError();
  auto file = std::make_unique<TFileStream>(path, TFile::Mode::Read);
  if (!file->IsOpen()) {
    // The file layer's text names the path and the system's reason.
    throw EInOutError(LastFileErrorOr("Cannot open file \"" + path + "\""));
  }
  Open(T7zStream::Own(std::move(file)));
}

void T7zInArchive::OpenArchiveStream(TStream& stream) { Open(T7zStream::Borrow(stream)); }

void T7zInArchive::Open(T7zRef<T7zStream> stream) {
  Close();
  IInArchive& archive = *InArchive();
  // Names without the zip's UTF-8 flag are read as UTF-8, whatever the locale.
  T7zRef<ISetProperties> properties;
  if (archive.QueryInterface(IID_ISetProperties, properties.Put()) == S_OK && properties) {
    const wchar_t* names[] = {L"cp"};
    PROPVARIANT codePage{};
    codePage.vt = VT_UI4;
    codePage.ulVal = kUtf8CodePage;
    properties->SetProperties(names, &codePage, 1);
  }
  const uint64_t maxStart = kMaxStartSearch;
  HRESULT result;
  {
    TReaderCallbackScope callback(this);
    result = archive.Open(stream->AsInStream(), &maxStart,
                          static_cast<IArchiveOpenCallback*>(callback.Get()));
  }
  std::exception_ptr error = callbackError_.Take();
  if (result != S_OK || error) {
    archive.Close();
    archive_.Reset();
    if (error) std::rethrow_exception(error);
    // The handler answers S_FALSE for bytes it does not recognise as its format.
    if (result == S_FALSE) throw ESevenZipError("The file is not a zip package", S_FALSE);
    CheckResult(result);
  }
  inStream_ = std::move(stream);
  opened_ = true;
  uint32_t count = 0;
  try {
    CheckResult(archive.GetNumberOfItems(&count));
    // The handler opens a damaged zip as far as it can read it; a package must be whole.
    TPropVariant flags;
    CheckResult(archive.GetArchiveProperty(kpidErrorFlags, flags.Out()));
    if (const uint64_t errors = flags.AsUInt64(); errors != 0) {
      throw ESevenZipError("Damaged archive: " +
                           ArchiveErrorFlagsText(static_cast<uint32_t>(errors)));
    }
  } catch (...) {
    Close();
    throw;
  }
  itemCount_ = count;
}

void T7zInArchive::Close() {
  if (archive_) {
    if (opened_) archive_->Close();
    archive_.Reset();
  }
  inStream_.Reset();
  opened_ = false;
  itemCount_ = 0;
  password_.clear();
  passwordKnown_ = false;
}

void T7zInArchive::SetPassword(const std::string& password) {
  password_ = password;
  passwordKnown_ = true;
}

IInArchive& T7zInArchive::OpenedArchive() {
  if (!opened_ || !archive_) throw ESevenZipError("No archive is open");
  return *archive_;
}

uint32_t T7zInArchive::ItemCount() {
  OpenedArchive();
  return itemCount_;
}

void T7zInArchive::CheckIndex(uint32_t index) {
  OpenedArchive();
  // The handler does not check indices itself.
  if (index >= itemCount_) {
    throw ERangeError("Archive item index " + std::to_string(index) + " out of range (" +
                      std::to_string(itemCount_) + " items)");
  }
}

void T7zInArchive::GetItemProperty(uint32_t index, PROPID propId, TPropVariant& value) {
  CheckIndex(index);
  CheckResult(archive_->GetProperty(index, propId, value.Out()));
}

std::string T7zInArchive::ItemPath(uint32_t index) {
  TPropVariant value;
  GetItemProperty(index, kpidPath, value);
  return SlashesToBackslashes(value.AsText());
}

std::string T7zInArchive::ItemName(uint32_t index) {
  TPropVariant value;
  GetItemProperty(index, kpidName, value);
  if (value.Value().vt == VT_BSTR) return SlashesToBackslashes(value.AsText());
  // The zip handler reports no names; the name is the last part of the path.
  return ExtractFileName(ItemPath(index));
}

uint64_t T7zInArchive::ItemSize(uint32_t index) {
  TPropVariant value;
  GetItemProperty(index, kpidSize, value);
  return value.AsUInt64();
}

bool T7zInArchive::ItemIsFolder(uint32_t index) {
  TPropVariant value;
  GetItemProperty(index, kpidIsDir, value);
  return value.AsBool();
}

void T7zInArchive::ExtractItemToStream(uint32_t index, TStream& stream, bool test) {
  CheckIndex(index);
  targetStream_ = &stream;
  Extract(&index, 1, test, TTarget::Stream);
}

void T7zInArchive::ExtractSelected(std::vector<uint32_t> indices, bool test,
                                   TItemStreamCallback callback) {
  for (uint32_t index : indices) CheckIndex(index);
  // The library wants the indices in ascending order.
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  if (indices.empty()) return;
  itemStreamCallback_ = std::move(callback);
  Extract(indices.data(), static_cast<uint32_t>(indices.size()), test, TTarget::Each);
}

void T7zInArchive::ExtractEach(bool test, TItemStreamCallback callback) {
  OpenedArchive();
  itemStreamCallback_ = std::move(callback);
  Extract(nullptr, UINT32_MAX, test, TTarget::Each);
}

void T7zInArchive::ExtractAllToFolder(const std::string& folder) {
  OpenedArchive();
  // Item names are untrusted: nothing may land outside the folder.
  for (uint32_t index = 0; index < itemCount_; ++index) {
    const std::string path = ItemPath(index);
    if (!IsSafeRelativePath(path)) {
      throw ESevenZipError("Unsafe item name in archive, nothing extracted: \"" + path + "\"");
    }
  }
  targetFolder_ = IncludeTrailingBackslash(folder);
  if (!ForceDirectories(targetFolder_)) {
    throw EInOutError("Cannot create folder \"" + targetFolder_ + "\"");
  }
  Extract(nullptr, UINT32_MAX, false, TTarget::Folder);
}

void T7zInArchive::Extract(const uint32_t* indices, uint32_t count, bool test, TTarget target) {
  IInArchive& archive = OpenedArchive();
  target_ = target;
  firstItemError_.clear();
  HRESULT result;
  {
    TReaderCallbackScope callback(this);
    result = archive.Extract(indices, count, test ? 1 : 0,
                             static_cast<IArchiveExtractCallback*>(callback.Get()));
  }
  target_ = TTarget::None;
  targetStream_ = nullptr;
  targetFolder_.clear();
  itemStreamCallback_ = nullptr;
  if (std::exception_ptr error = callbackError_.Take()) std::rethrow_exception(error);
  CheckResult(result);
  if (!firstItemError_.empty()) throw ESevenZipError(std::exchange(firstItemError_, {}));
}

HRESULT T7zInArchive::GetItemStream(uint32_t index, ISequentialOutStream** out, int32_t askMode) {
  currentIndex_ = index;
  if (askMode != kAskExtract) return S_OK;
  T7zRef<T7zStream> stream;
  HRESULT result = S_OK;
  switch (target_) {
    case TTarget::None:
      return S_OK;
    case TTarget::Stream:
      stream = T7zStream::Borrow(*targetStream_);
      break;
    case TTarget::Each: {
      if (!itemStreamCallback_) return S_OK;
      TStream* given = nullptr;
      result = itemStreamCallback_(index, given);
      if (given) stream = T7zStream::Borrow(*given);
      break;
    }
    case TTarget::Folder: {
      const std::string relative = ItemPath(index);
      if (!IsSafeRelativePath(relative)) {
        throw ESevenZipError("Unsafe item name in archive: \"" + relative + "\"");
      }
      const std::string path = targetFolder_ + relative;
      if (ItemIsFolder(index)) {
        if (!ForceDirectories(path)) throw EInOutError("Cannot create folder \"" + path + "\"");
        return S_OK;
      }
      const std::string parent = ExtractFilePath(path);
      if (!ForceDirectories(parent)) throw EInOutError("Cannot create folder \"" + parent + "\"");
      auto file = std::make_unique<TFileStream>(path, TFile::Mode::Create);
      if (!file->IsOpen()) throw EInOutError("Cannot create file \"" + path + "\"");
      stream = T7zStream::Own(std::move(file));
      break;
    }
  }
  if (stream) *out = static_cast<ISequentialOutStream*>(stream.Detach()->AsOutStream());
  return result;
}

void T7zInArchive::ItemResult(int32_t operationResult) {
  if (operationResult == kOperationOk || !firstItemError_.empty()) return;
  std::string path;
  try {
    path = ItemPath(currentIndex_);
  } catch (...) {
    path = "#" + std::to_string(currentIndex_);
  }
  firstItemError_ = "Extracting \"" + path + "\" failed: " + OperationResultText(operationResult);
}

HRESULT T7zInArchive::Progress(bool isTotal, uint64_t value) {
  return progressCallback_ ? progressCallback_(isTotal, value) : S_OK;
}

HRESULT T7zInArchive::Password(std::string& password) {
  if (passwordKnown_) {
    password = password_;
    return S_OK;
  }
  if (passwordCallback_) {
    const HRESULT result = passwordCallback_(password);
    if (result == S_OK) {
      password_ = password;
      passwordKnown_ = true;
    }
    return result;
  }
  return S_FALSE;
}

}  // namespace pallograph
