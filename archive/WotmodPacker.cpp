#include "archive/WotmodPacker.h"

#include <map>
#include <vector>

#include "archive/SevenZip.h"
#include "archive/TPendingFiles.h"
#include "archive/WotmodMeta.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

constexpr uint32_t kFolderAttribute = 0x10;

// The game may not see the files of a package without a stored entry for each of its folders.
// Puts one before the files for every folder the batch's files lie in, parents before children;
// the files keep their order, so meta.xml stays last.
void AddFolderEntries(TBatchList& batch) {
  std::map<std::string, uint64_t> folders;  // folder path -> time of its first file
  for (const T7zBatchItem& item : batch) {
    if (item.IsFolder) continue;
    for (size_t at = item.ArchivePath.find(kPathDelim); at != std::string::npos;
         at = item.ArchivePath.find(kPathDelim, at + 1)) {
      if (at > 0) folders.emplace(item.ArchivePath.substr(0, at), item.LastWriteTime);
    }
  }
  for (const T7zBatchItem& item : batch) {
    if (item.IsFolder) folders.erase(StripTrailingBackslashes(item.ArchivePath));
  }
  TBatchList entries;
  entries.reserve(folders.size() + batch.size());
  for (const auto& [path, time] : folders) {
    T7zBatchItem folder;
    folder.Source = T7zBatchItem::TSource::Stream;
    folder.IsFolder = true;
    folder.Attributes = kFolderAttribute;
    folder.CreationTime = time;
    folder.LastWriteTime = time;
    folder.ArchivePath = path;
    entries.push_back(std::move(folder));
  }
  for (T7zBatchItem& item : batch) entries.push_back(std::move(item));
  batch = std::move(entries);
}

// Puts meta.xml back as it was when the split rewrote it.
class TMetaRestorer {
 public:
  TMetaRestorer(std::string path, std::string text)
      : path_(std::move(path)), text_(std::move(text)) {}
  ~TMetaRestorer() {
    if (modified_) WriteFileBytes(path_, text_.data(), text_.size());
  }
  TMetaRestorer(const TMetaRestorer&) = delete;
  TMetaRestorer& operator=(const TMetaRestorer&) = delete;

  // Writes the part's text; returns its size.
  uint32_t Write(const std::string& text) {
    modified_ = true;
    if (!WriteFileBytes(path_, text.data(), text.size())) {
      throw EInOutError("Cannot write file \"" + path_ + "\"");
    }
    return static_cast<uint32_t>(text.size());
  }

 private:
  std::string path_;
  std::string text_;
  bool modified_ = false;
};

void Report(const LogSink& log, const std::string& line) {
  if (log) log(line);
}

void PackParts(T7zOutArchive& writer, const std::string& packagePath, const LogSink& log) {
  ATBatchList& batches = writer.GetBatches();
  const size_t count = batches.size();
  Report(log, "   formed packages: " + std::to_string(count));

  if (batches.back().empty() ||
      !SameTextAscii(ExtractFileName(batches.back().back().ArchivePath), "meta.xml")) {
    throw EInOutError(
        "Failed to split the wotmod-package into parts, file not found \"meta.xml\".");
  }
  const T7zBatchItem meta = batches.back().back();
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(meta.SourceFile, bytes)) {
    throw EInOutError("Cannot read file \"" + meta.SourceFile + "\"");
  }
  const std::string metaText(bytes.begin(), bytes.end());
  for (size_t i = 0; i + 1 < count; ++i) batches[i].push_back(meta);
  for (TBatchList& batch : batches) AddFolderEntries(batch);

  TMetaRestorer restorer(meta.SourceFile, metaText);
  TPendingFiles pending;
  std::vector<std::string> lines;
  for (size_t part = 1; part <= count; ++part) {
    TBatchList& batch = batches[part - 1];
    batch.back().Size = restorer.Write(InsertPartSuffix(metaText, part));
    lines.push_back("   meta-file modified: _Part" + std::to_string(part));
    const std::string partPath = WotmodPartFileName(packagePath, part);
    writer.SetCurrentBatch(part - 1);
    writer.WriteBatchToFile(pending.Add(partPath), part - 1);
    lines.push_back("   package created: " + partPath);
  }
  if (!pending.Commit()) {
    throw EInOutError("Cannot rename the package parts into place: \"" + packagePath + "\"");
  }
  for (const std::string& line : lines) Report(log, line);
}

}  // namespace

std::string WotmodPartFileName(const std::string& packagePath, size_t part) {
  return PartFileName(packagePath, "_Part%d", part);
}

RResult PackWotmod(const std::string& libraryPath, const std::string& packagePath,
                   const std::string& sourceFolder, bool split, const LogSink& log,
                   uint64_t partSizeLimit) {
  ClearLastFileError();
  // The library reports a failed write of ours as its own error code: the file layer knows why.
  const auto cause = [&](const std::string& what) {
    return RResult::Failure("Packing \"" + packagePath + "\" failed: " + WithLastFileError(what));
  };
  try {
    const std::string folder = ExtractFilePath(packagePath);
    if (!folder.empty() && !DirectoryExists(folder) && !ForceDirectories(folder)) {
      return cause("the package's folder cannot be made");
    }
    T7zRef<T7zOutArchive> writer = CreateWriter(libraryPath);
    SetZipMethod(*writer, 0);
    if (split) writer->SetPartSizeLimit(partSizeLimit);
    writer->AddFolder(sourceFolder, "", "*.*", true);
    if (!split || writer->GetBatches().size() < 2) {
      for (TBatchList& batch : writer->GetBatches()) AddFolderEntries(batch);
      writer->WriteToFile(packagePath);
      return RResult::Success();
    }
    PackParts(*writer, packagePath, log);
    return RResult::Success();
  } catch (const std::exception& error) {
    return cause(error.what());
  } catch (...) {
    return cause("unknown error");
  }
}

}  // namespace pallograph
