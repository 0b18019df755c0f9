#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "archive/SevenZip.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/Stream.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

std::vector<std::string> ArchivePaths(const TBatchList& batch) {
  std::vector<std::string> paths;
  for (const T7zBatchItem& item : batch) paths.push_back(item.ArchivePath);
  return paths;
}

std::shared_ptr<TStream> BytesStream(size_t size, uint8_t fill) {
  return std::make_shared<TMemoryStream>(std::vector<uint8_t>(size, fill));
}

class T7zOutArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteText(dir_.Native("src/meta.xml"), "<root/>");
    test::WriteText(dir_.Native("src/.hidden"), "h");
    std::filesystem::create_directories(dir_.Native("src/res/vehicles/russian"));
    std::filesystem::create_directories(dir_.Native("src/.git"));
    test::WriteText(dir_.Native("src/.git/config"), "skipped");
    test::WriteText(dir_.Native("src/res/b.txt"), "bbb");
    test::WriteText(dir_.Native("src/res/a.dds"), std::string(3000, 'a'));
    test::WriteText(dir_.Native("src/res/vehicles/russian/Hull_ünï.visual"), "hull");
    test::WriteText(dir_.Native("src/res/vehicles/x.dds"), std::string(100, 'x'));
  }
  std::string Program(const std::string& relative) const {
    return FromNativePath(dir_.Native(relative));
  }

  test::TTempDir dir_;
  T7zRef<T7zOutArchive> writer_ = CreateWriter(test::LibraryPath());
};

TEST_F(T7zOutArchiveTest, AddFolderQueuesSubFoldersBeforeTheirParentsFiles) {
  writer_->AddFolder(Program("src"), "", "*.*", true);
  ASSERT_EQ(writer_->GetBatches().size(), 1u);
  EXPECT_EQ(
      ArchivePaths(writer_->GetBatches()[0]),
      (std::vector<std::string>{"res\\vehicles\\russian\\Hull_ünï.visual", "res\\vehicles\\x.dds",
                                "res\\a.dds", "res\\b.txt", ".hidden", "meta.xml"}));
  const T7zBatchItem& item = writer_->GetBatches()[0][2];
  EXPECT_EQ(item.Size, 3000u);
  EXPECT_EQ(item.SourceFile, Program("src/res/a.dds"));
  EXPECT_NE(item.LastWriteTime, 0u);
}

TEST_F(T7zOutArchiveTest, AddFolderAppliesMasksArchiveFolderAndRecurseFlag) {
  writer_->AddFolder(Program("src/res"), "pkg", "*.DDS;*.txt", true);
  writer_->AddFolder(Program("src/res"), "", "*.dds", false);
  EXPECT_EQ(
      ArchivePaths(writer_->GetBatches()[0]),
      (std::vector<std::string>{"pkg\\vehicles\\x.dds", "pkg\\a.dds", "pkg\\b.txt", "a.dds"}));
}

TEST_F(T7zOutArchiveTest, BatchesFollowThePartSizeLimit) {
  writer_->SetPartSizeLimit(100);
  writer_->AddStream(BytesStream(60, 1), 0x20, 0, 0, "a", false, false);
  writer_->AddStream(BytesStream(50, 2), 0x20, 0, 0, "b", false, false);
  writer_->AddStream(BytesStream(40, 3), 0x20, 0, 0, "c", false, false);
  const ATBatchList& batches = writer_->GetBatches();
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(ArchivePaths(batches[0]), std::vector<std::string>{"a"});
  EXPECT_EQ(ArchivePaths(batches[1]), (std::vector<std::string>{"b", "c"}));
  // Reaching the limit exactly starts a new batch too.
  writer_->AddStream(BytesStream(10, 4), 0x20, 0, 0, "d", false, false);
  EXPECT_EQ(batches.size(), 3u);

  // An item above the limit gets a batch of its own, and no empty batch comes before it.
  writer_->ClearBatches();
  writer_->AddStream(BytesStream(150, 5), 0x20, 0, 0, "big", false, false);
  writer_->AddStream(BytesStream(10, 6), 0x20, 0, 0, "small", false, false);
  ASSERT_EQ(batches.size(), 2u);
  EXPECT_EQ(ArchivePaths(batches[0]), std::vector<std::string>{"big"});
  EXPECT_THROW(writer_->SetCurrentBatch(2), ERangeError);
}

TEST_F(T7zOutArchiveTest, WritesStoredZipThatIndependentToolsAccept) {
  SetZipMethod(writer_, 0);
  writer_->AddFolder(Program("src"), "", "*.*", true);
  writer_->AddStream(BytesStream(5, 'z'), 0x10, 0, 0, "empty folder", true, false);
  writer_->AddStream(BytesStream(7, 'm'), 0x20, 0, 0, "mem\\😀.bin", false, false);
  test::WriteText(dir_.Native("out.zip"), "old content");
  writer_->WriteToFile(Program("out.zip"));

  const std::vector<std::string> lines = test::InspectZip(dir_.Native("out.zip"));
  ASSERT_EQ(lines.size(), 12u);
  // name, method, flags (0x800 only for UTF-8 names; no data descriptor), mode, extra fields
  // (NTFS times only: no zip64).
  EXPECT_EQ(lines[0], "res/vehicles/russian/Hull_ünï.visual\tstored\t800\t100644\t000a");
  EXPECT_EQ(lines[3], "res/b.txt\tstored\t0\t100644\t000a");
  EXPECT_EQ(lines[5], "meta.xml\tstored\t0\t100644\t000a");
  EXPECT_EQ(lines[6], "empty folder/\tstored\t0\t40755\t-");
  EXPECT_EQ(lines[7], "mem/😀.bin\tstored\t800\t100644\t-");
  EXPECT_EQ(lines[8], "local ok");
  EXPECT_EQ(lines[9], "testzip ok");
  EXPECT_EQ(lines[10], "comment 0");

  EXPECT_EQ(test::RunProcess({"7z", "t", dir_.Native("out.zip")}).ExitCode, 0);
  EXPECT_EQ(test::RunProcess({"unzip", "-t", dir_.Native("out.zip")}).ExitCode, 0);
  bool ok = false;
  for (const TDirEntry& entry : ListDirectory(dir_.ProgramPath(), &ok)) {
    EXPECT_FALSE(EndsWith(entry.Name, ".tmp")) << entry.Name;
  }

  // Our reader gets the same entries back.
  auto reader = CreateReader(test::LibraryPath());
  reader->OpenArchiveFile(Program("out.zip"));
  ASSERT_EQ(reader->ItemCount(), 8u);
  EXPECT_EQ(reader->ItemPath(7), "mem\\😀.bin");
  TMemoryStream data;
  reader->ExtractItemToStream(7, data);
  EXPECT_EQ(data.Data(), std::vector<uint8_t>(7, 'm'));
}

TEST_F(T7zOutArchiveTest, WritesOneFilePerBatchWithPartNames) {
  SetZipMethod(writer_, 0);
  writer_->SetPartSizeLimit(1000);
  writer_->AddFolder(Program("src"), "", "*.*", true);
  // {Hull, x.dds}, {a.dds: above the limit}, {b.txt, .hidden, meta.xml}
  ASSERT_EQ(writer_->GetBatches().size(), 3u);
  writer_->WriteToFile(Program("out.zip"));
  EXPECT_FALSE(FileExists(Program("out.zip")));
  EXPECT_EQ(test::InspectZip(dir_.Native("out_Part01.zip"))[0],
            "res/vehicles/russian/Hull_ünï.visual\tstored\t800\t100644\t000a");
  EXPECT_EQ(test::InspectZip(dir_.Native("out_Part02.zip"))[0],
            "res/a.dds\tstored\t0\t100644\t000a");
  EXPECT_EQ(test::InspectZip(dir_.Native("out_Part03.zip"))[2],
            "meta.xml\tstored\t0\t100644\t000a");
  EXPECT_EQ(writer_->GetCurrentBatch(), 2u);

  writer_->SetPartNameFormat("-%d of 2");
  EXPECT_EQ(writer_->PartFileName(Program("x.wotmod"), 1), Program("x-1 of 2.wotmod"));
  writer_->SetPartNameFormat("_%03d");
  EXPECT_EQ(writer_->PartFileName(Program("x.wotmod"), 7), Program("x_007.wotmod"));
}

TEST_F(T7zOutArchiveTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  SetZipMethod(writer_, 0);
  writer_->AddFile(Program("src/res/b.txt"), "b.txt");
  writer_->AddFile(Program("src/missing.txt"), "missing.txt");  // ignored
  writer_->AddFile(Program("src/res/a.dds"), "a.dds");
  ASSERT_EQ(writer_->GetBatches()[0].size(), 2u);
  std::filesystem::remove(dir_.Native("src/res/a.dds"));
  test::WriteText(dir_.Native("out.zip"), "old content");
  try {
    writer_->WriteToFile(Program("out.zip"));
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + Program("src/res/a.dds") + "\"");
  }
  EXPECT_EQ(test::ReadText(dir_.Native("out.zip")), "old content");
  EXPECT_EQ(ListDirectory(dir_.ProgramPath()).size(), 2u);  // src and out.zip
}

TEST_F(T7zOutArchiveTest, FilesOf2GiBOrMoreCannotBeQueued) {
  const std::string big = dir_.Native("big.bin");
  const int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 0x80000000LL), 0);  // sparse: takes no disk space
  close(fd);
  EXPECT_THROW(writer_->AddFile(FromNativePath(big), "big.bin"), ERangeError);
  EXPECT_THROW(writer_->AddFolder(dir_.ProgramPath(), "", "big.*", false), ERangeError);
}

}  // namespace
}  // namespace pallograph
