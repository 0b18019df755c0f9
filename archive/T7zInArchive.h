// The archive reader: opens one archive through the library's format handler, lists its items
// and extracts them into program streams or a folder.
//
// Item paths are UTF-8 program paths with '\' between folder names on every platform, exactly as
// the archive names them; callers decide which names are safe to use. Every failure throws:
// ESevenZipError for library result codes and failed items, EInOutError for files that cannot be
// opened or created, ERangeError for an item index out of range.
//
// Thread safety: a reader is used by one thread at a time. Several readers may work in several
// threads at once (each thread creates its own with CreateReader).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/SevenZipAbi.h"
#include "archive/T7zCallback.h"
#include "archive/T7zPlugin.h"
#include "archive/T7zRef.h"
#include "archive/T7zStream.h"
#include "platform/Stream.h"

namespace pallograph {

class T7zReaderCallback;
class TPropVariant;

class T7zInArchive final : public T7zArchive {
 public:
  // Progress: `isTotal` tells a total from a completed value; a result other than S_OK stops the
  // operation. May be called from the library's threads.
  using TProgressCallback = std::function<sevenzip::HRESULT(bool isTotal, uint64_t value)>;
  // Asked for the password of an encrypted archive; S_OK with the password or a failure code.
  using TPasswordCallback = std::function<sevenzip::HRESULT(std::string& password)>;
  // Gives the stream for one item (nullptr skips it; not owned, it must live until the
  // extraction returns); a result other than S_OK stops the extraction.
  using TItemStreamCallback = std::function<sevenzip::HRESULT(uint32_t index, TStream*& stream)>;

  // Loads the library (throws as T7zArchive). The class id is set by CreateReader.
  explicit T7zInArchive(const std::string& libraryPath);
  ~T7zInArchive() override;

  // Opens an archive file (program path) for reading, allowing others to read it too, looking for
  // the start of the archive in the first 1 MiB. Closes an archive that was open. A damaged
  // archive (truncated, broken headers) is refused.
  void OpenArchiveFile(const std::string& path);
  // The same on a caller's stream; the stream must outlive Close().
  void OpenArchiveStream(TStream& stream);
  // Closes the archive and forgets the remembered password; does nothing when none is open.
  void Close();

  uint32_t ItemCount();
  std::string ItemPath(uint32_t index);
  std::string ItemName(uint32_t index);  // the last part of the path
  uint64_t ItemSize(uint32_t index);
  bool ItemIsFolder(uint32_t index);
  // The library's handler object, created on first call; owned by the reader.
  sevenzip::IInArchive* InArchive();

  // Extracts one item into the stream at its current position (with `test`, checks the item and
  // writes nothing). Throws when the library fails or the item's data are damaged.
  void ExtractItemToStream(uint32_t index, TStream& stream, bool test = false);
  // Extracts the given items (any order) into the streams the callback gives.
  void ExtractSelected(std::vector<uint32_t> indices, bool test, TItemStreamCallback callback);
  // Extracts every item into the streams the callback gives.
  void ExtractEach(bool test, TItemStreamCallback callback);
  // Extracts every item below the folder (program path), creating missing folders and replacing
  // existing files. Refuses the whole archive, before writing anything, when an item name is
  // absolute, carries a drive letter or has a "." or ".." component.
  void ExtractAllToFolder(const std::string& folder);

  void SetPasswordCallback(TPasswordCallback callback) { passwordCallback_ = std::move(callback); }
  void SetPassword(const std::string& password);
  void SetProgressCallback(TProgressCallback callback) { progressCallback_ = std::move(callback); }

 private:
  friend class T7zReaderCallback;
  template <class, class, class...>
  friend class T7zCallback;

  enum class TTarget { None, Stream, Each, Folder };

  void Open(T7zRef<T7zStream> stream);
  sevenzip::IInArchive& OpenedArchive();
  void CheckIndex(uint32_t index);
  void GetItemProperty(uint32_t index, sevenzip::PROPID propId, TPropVariant& value);
  void Extract(const uint32_t* indices, uint32_t count, bool test, TTarget target);

  // Called by the callback object during library calls.
  sevenzip::HRESULT GetItemStream(uint32_t index, sevenzip::ISequentialOutStream** out,
                                  int32_t askMode);
  void ItemResult(int32_t operationResult);
  sevenzip::HRESULT Progress(bool isTotal, uint64_t value);
  sevenzip::HRESULT Password(std::string& password);

  T7zRef<sevenzip::IInArchive> archive_;
  T7zRef<T7zStream> inStream_;
  uint32_t itemCount_ = 0;
  bool opened_ = false;

  TTarget target_ = TTarget::None;
  TStream* targetStream_ = nullptr;
  std::string targetFolder_;
  TItemStreamCallback itemStreamCallback_;
  uint32_t currentIndex_ = 0;
  std::string firstItemError_;

  TProgressCallback progressCallback_;
  TPasswordCallback passwordCallback_;
  std::string password_;
  bool passwordKnown_ = false;

  T7zCallbackError callbackError_;
};

}  // namespace pallograph
